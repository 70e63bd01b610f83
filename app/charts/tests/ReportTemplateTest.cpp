// Reading report templates: fields, bands, page sections and damage.
#include "charts/ReportTemplate.h"

#include <gtest/gtest.h>

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

} // namespace
