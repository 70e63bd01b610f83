// Reading report templates: fields, bands, page sections and damage.
#include "charts/ReportTemplate.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>

namespace {

std::vector<ReportPiece> Pieces(std::initializer_list<ReportPiece> pieces) {
    return pieces;
}

ReportPiece Text(std::string text) {
    return {std::move(text), {}, false};
}

ReportPiece Field(std::string name, std::string format = {}) {
    return {std::move(name), std::move(format), true};
}

TEST(ReportTemplateTest, FieldsBandsAndPageSections) {
    const char* text = "<html><head><style>td { padding: 2px; }</style></head><body>\n"
                       "<!-- [NotAField] is only a remark -->"
                       "<h1>№ [SerNo:%08.0f] [[copy]</h1>\n"
                       "<!--pagefooter--><p>[PAGE#] / [TOTALPAGES]</p><!--/pagefooter-->"
                       "<table><!-- band --><tr><td>[EtalonFlow:%.3f]</td></tr><!--/band--></table>"
                       "</body></html>";
    std::string error;
    const std::optional<ReportTemplate> t = ParseReportTemplate(text, &error);
    ASSERT_TRUE(t) << error;
    EXPECT_EQ(t->StyleSheet, "td { padding: 2px; }");
    EXPECT_TRUE(t->PageHeader.empty());
    EXPECT_EQ(t->PageFooter, Pieces({Text("<p>"), Field("PAGE#"), Text(" / "), Field("TOTALPAGES"),
                                     Text("</p>")}));
    ASSERT_EQ(t->Body.size(), 3u);
    EXPECT_FALSE(t->Body[0].Band);
    EXPECT_EQ(t->Body[0].Pieces,
              Pieces({Text("<html><head><style>td { padding: 2px; }</style></head><body>\n<h1>№ "),
                      Field("SerNo", "%08.0f"), Text(" [copy]</h1>\n<table>")}));
    EXPECT_TRUE(t->Body[1].Band);
    EXPECT_EQ(t->Body[1].Pieces,
              Pieces({Text("<tr><td>"), Field("EtalonFlow", "%.3f"), Text("</td></tr>")}));
    EXPECT_EQ(t->Body[2].Pieces, Pieces({Text("</table></body></html>")}));
}

TEST(ReportTemplateTest, DamagedTemplatesAreRefusedWithTheirLine) {
    struct Case {
        const char* Text;
        const char* Error;
    };
    const Case cases[] = {
        {"<p>[SerNo</p>", "line 1: a field is not closed by ']'"},
        {"<p>[SerNo\n]</p>", "line 1: a field is not closed by ']'"},
        {"<p>[]</p>", "line 1: a field has no valid name"},
        {"<p>\n[Ser No]</p>", "line 2: a field has no valid name"},
        {"<p>[SerNo:%s]</p>", "line 1: a field has a format that is not a number format"},
        {"<p>[SerNo:]</p>", "line 1: a field has a format that is not a number format"},
        {"<!--band--><tr></tr>", "line 1: a section or band is not closed"},
        {"<tr></tr><!--/band-->", "line 1: a band or section ends that was not started"},
        {"<!--band--><!--band--><!--/band--><!--/band-->",
         "line 1: a band or section starts inside another"},
        {"<!--pagefooter--><!--band--><!--/band--><!--/pagefooter-->",
         "line 1: a band or section starts inside another"},
        {"<!--pageheader--><!--/pagefooter-->",
         "line 1: a band or section ends that was not started"},
        {"<p>\n\n<!-- remark", "line 3: a comment is not closed"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseReportTemplate(c.Text, &error)) << c.Text;
        EXPECT_EQ(error, c.Error) << c.Text;
    }
}

TEST(ReportTemplateTest, ATemplateWithoutFieldsOrBandsIsPlainHtml) {
    const std::optional<ReportTemplate> t = ParseReportTemplate("<p>Отчет]</p>");
    ASSERT_TRUE(t);
    ASSERT_EQ(t->Body.size(), 1u);
    EXPECT_EQ(t->Body[0].Pieces, Pieces({Text("<p>Отчет]</p>")}));
    EXPECT_TRUE(ParseReportTemplate("")->Body.empty());
}

// Every prefix of a real template, and the template with bytes overwritten
// at random, is either read or refused: a damaged file never gets further.
TEST(ReportTemplateTest, DamagedCopiesOfARealTemplateAreReadOrRefused) {
    const char* source = std::getenv("LGM_SOURCE_DIR");
    ASSERT_TRUE(source);
    std::ifstream in(std::string(source) + "/app/charts/templates/GradRpt.frf", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_TRUE(ParseReportTemplate(text));
    int refused = 0;
    for (size_t n = 0; n < text.size(); n += 7)
        refused += !ParseReportTemplate(std::string_view(text).substr(0, n));
    EXPECT_GT(refused, 0);

    std::mt19937 random(12345);
    const char bytes[] = {'[', ']', '<', '!', '-', '>', ':', '%', '\n', '\0', '\xff', 'a'};
    for (int round = 0; round < 2000; ++round) {
        std::string damaged = text;
        for (int k = 0; k < 4; ++k)
            damaged[random() % damaged.size()] = bytes[random() % sizeof bytes];
        std::string error;
        if (!ParseReportTemplate(damaged, &error)) {
            EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
        }
    }
}

} // namespace
