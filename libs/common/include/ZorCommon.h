/*
 * ZorCommon — the common utilities library.
 *
 * Byte packing in chosen widths, byte orders and addressing modes; binary-coded
 * decimal; the 16-bit MixPt decimal floating code; checksums (byte sum,
 * CRC-16, CRC-32, Adler-32); the exchange log and small file helpers; a time
 * conversion pair; the system-error box; conversion between Windows-1251 and
 * UTF-8.
 *
 * Conventions
 *   - "bytes" is an array of 8-bit unsigned bytes. Positions and indexes are
 *     32-bit signed and must not be negative; counts are 32-bit unsigned.
 *   - The packing functions do not check bounds: the caller guarantees that
 *     the element lies inside the buffer.
 *   - 8-bit texts (suffix A) are Windows-1251, except file names, which are
 *     the operating system's own byte names (UTF-8 on Linux). 16-bit texts
 *     (suffix W) are UTF-16 in host byte order.
 *   - A file handle is a file descriptor; ZOR_INVALID_HANDLE (-1) means "no
 *     file". Every writing function accepts it and then does nothing, so a
 *     component whose log is off simply holds the invalid handle.
 *   - Only the conversion functions return error codes; they use the one code
 *     of the system's error table that applies: -19 (ZOR_ERR_BAD_PARAM of
 *     ZorLang.h, "Неверное значение параметра"). Every other function reports
 *     failure by its result as described at the function (0, NULL or the
 *     invalid handle) and never shows a message.
 *
 * Thread safety
 *   Every function is re-entrant and may be called from any thread. The only
 *   state of the library is the message handler of ZorSetMessageHandler, which
 *   is swapped atomically. A file handle must not be used by two threads at a
 *   time (the system writes its log from the exchange thread only).
 */
#ifndef ZORCOMMON_H
#define ZORCOMMON_H

#include <stdint.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

#define ZORCOMMON_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------ */
/* Byte packing                                                             */
/* ------------------------------------------------------------------------ */
/*
 * Word = 2 bytes, Triplet = 3, DWord = 4. MSB stores the most significant byte
 * first (big-endian), LSB the least significant first (little-endian).
 *
 * A plain name takes an element index i: the element starts at byte
 * i * width (2i, 3i, 4i). A name with Rel takes a byte offset instead, so
 * fields of different widths can follow one another in one frame.
 *
 * Put stores the low-order bits of value that fit the width (higher bits are
 * dropped) and writes exactly the element's bytes. Get reads exactly those
 * bytes and returns them zero-extended (a Word gives 0..65535, a Triplet
 * 0..16777215).
 */
ZORCOMMON_API void PutWordMSB(uint8_t* bytes, int32_t index, uint32_t value);
ZORCOMMON_API uint32_t GetWordMSB(const uint8_t* bytes, int32_t index);
ZORCOMMON_API void PutTripletMSB(uint8_t* bytes, int32_t index, uint32_t value);
ZORCOMMON_API uint32_t GetTripletMSB(const uint8_t* bytes, int32_t index);
ZORCOMMON_API void PutDWordMSB(uint8_t* bytes, int32_t index, uint32_t value);
ZORCOMMON_API uint32_t GetDWordMSB(const uint8_t* bytes, int32_t index);
ZORCOMMON_API void PutWordLSB(uint8_t* bytes, int32_t index, uint32_t value);
ZORCOMMON_API uint32_t GetWordLSB(const uint8_t* bytes, int32_t index);
ZORCOMMON_API void PutTripletLSB(uint8_t* bytes, int32_t index, uint32_t value);
ZORCOMMON_API uint32_t GetTripletLSB(const uint8_t* bytes, int32_t index);
ZORCOMMON_API void PutDWordLSB(uint8_t* bytes, int32_t index, uint32_t value);
ZORCOMMON_API uint32_t GetDWordLSB(const uint8_t* bytes, int32_t index);

ZORCOMMON_API void PutWordRelMSB(uint8_t* bytes, int32_t offset, uint32_t value);
ZORCOMMON_API uint32_t GetWordRelMSB(const uint8_t* bytes, int32_t offset);
ZORCOMMON_API void PutTripletRelMSB(uint8_t* bytes, int32_t offset, uint32_t value);
ZORCOMMON_API uint32_t GetTripletRelMSB(const uint8_t* bytes, int32_t offset);
ZORCOMMON_API void PutDWordRelMSB(uint8_t* bytes, int32_t offset, uint32_t value);
ZORCOMMON_API uint32_t GetDWordRelMSB(const uint8_t* bytes, int32_t offset);
ZORCOMMON_API void PutWordRelLSB(uint8_t* bytes, int32_t offset, uint32_t value);
ZORCOMMON_API uint32_t GetWordRelLSB(const uint8_t* bytes, int32_t offset);
ZORCOMMON_API void PutTripletRelLSB(uint8_t* bytes, int32_t offset, uint32_t value);
ZORCOMMON_API uint32_t GetTripletRelLSB(const uint8_t* bytes, int32_t offset);
ZORCOMMON_API void PutDWordRelLSB(uint8_t* bytes, int32_t offset, uint32_t value);
ZORCOMMON_API uint32_t GetDWordRelLSB(const uint8_t* bytes, int32_t offset);

/*
 * 12-bit packed array: element i is the 12 bits starting at bit 12i of the
 * buffer read as a little-endian bit stream. Elements 2k and 2k+1 share the
 * three bytes from byte 3k: byte 0 = bits 0-7 of the even element, byte 1 =
 * its bits 8-11 (low nibble) and bits 0-3 of the odd element (high nibble),
 * byte 2 = bits 4-11 of the odd element. Put keeps the neighbour's nibble;
 * Get reads two bytes. Writing 0xABC at 0 and 0x123 at 1 gives BC 3A 12.
 */
ZORCOMMON_API void Put12bitLSB(uint8_t* bytes, int32_t index, uint32_t value);
ZORCOMMON_API uint32_t Get12bitLSB(const uint8_t* bytes, int32_t index);

/* ------------------------------------------------------------------------ */
/* Binary-coded decimal and the MixPt code                                  */
/* ------------------------------------------------------------------------ */
/*
 * BCD holds one decimal digit per nibble, the least significant digit in the
 * lowest nibble: 8 digits in a DWord, 16 in a QWord.
 *
 * BcdToBin*: nibbles are not validated; a nibble above 9 counts with its value
 *   at its decimal place (0x1A gives 20). The DWord form wraps modulo 2^32.
 * BinToBcd*: digits beyond the 8th (16th) are dropped, so the result holds the
 *   value modulo 10^8 (10^16): BinToBcdDWord(123456789) = 0x23456789.
 */
ZORCOMMON_API uint32_t BcdToBinDWord(uint32_t bcd);
ZORCOMMON_API uint32_t BinToBcdDWord(uint32_t value);
ZORCOMMON_API uint64_t BcdToBinQWord(uint64_t bcd);
ZORCOMMON_API uint64_t BinToBcdQWord(uint64_t value);

/*
 * MixPt: a 16-bit decimal floating code. Bits 0-2 hold an exponent e (0..7),
 * bits 3-13 a mantissa m (0..2047); the value is m * 10^-e. Bits 14 and above
 * are ignored. Largest value 2047 (0x3FF8), finest step 10^-7.
 *
 * DecodeMixPt returns the double nearest to m * 10^-e (0x0C81 gives 40.0).
 *
 * EncodeMixPt returns the code in the low 16 bits:
 *   - value above 8191, or not a number:      0xFFFF (overflow marker);
 *   - value below 0.0001023 (0 and negatives): 0x0400 (underflow marker);
 *   - 0.0001023 .. 2047: the code with the largest exponent whose rounded
 *     mantissa still fits 11 bits, so the code decodes to the value within
 *     half a step;
 *   - above 2047 up to 8191: 0x3FF8, the largest value the code holds.
 *   The two markers are not codes of values (they decode to 128 and
 *   0.0002047); a caller that may meet them must test for them.
 *
 * The second argument of both is ignored (kept for the calling convention).
 */
ZORCOMMON_API double DecodeMixPt(uint32_t code, uint32_t unused);
ZORCOMMON_API uint32_t EncodeMixPt(double value, uint32_t unused);

/* ------------------------------------------------------------------------ */
/* Checksums                                                                */
/* ------------------------------------------------------------------------ */

/* 32-bit sum of the bytes (each 0..255), wrapping modulo 2^32; the callers
 * truncate it to their frame's width. FF 01 gives 0x100. NULL gives 0. */
ZORCOMMON_API uint32_t ByteCheckSum(const uint8_t* bytes, uint32_t count);

/*
 * CRC-16 with polynomial 0x1021, most significant bit first, no built-in
 * initial value and no final XOR: start from 0 for CRC-16/XMODEM, from 0xFFFF
 * for CRC-16/CCITT-FALSE. Over "123456789" these give 0x31C3 and 0x29B1.
 * ByteCrc16X25 folds the low 8 bits of byte into the low 16 bits of crc.
 * Crc16X25 folds count bytes starting from init; NULL bytes give 0, a count of
 * 0 gives init.
 */
ZORCOMMON_API uint16_t ByteCrc16X25(uint32_t byte, uint32_t crc);
ZORCOMMON_API uint16_t Crc16X25(const uint8_t* bytes, uint16_t init, uint32_t count);

/* Reserved entry of the CRC-16 family with no algorithm behind it: it always
 * returns 0. Use ByteCrc16X25. */
ZORCOMMON_API uint16_t ByteCrc16X25Rev(uint32_t byte, uint32_t crc);

/*
 * Reflected CRC-32 of IEEE 802.3 and zlib (polynomial 0x04C11DB7) without the
 * inversion at start and end. Started from 0xFFFFFFFF and inverted at the end
 * it is the standard CRC-32 (zlib's crc32); the calibration files start from
 * 0 and do not invert. Over "123456789": from 0 gives 0x2DFD2D88, from
 * 0xFFFFFFFF gives 0x340BC6D9 (inverted 0xCBF43926).
 * ByteCrc32X25 folds the low 8 bits of byte into crc. Crc32X25 folds count
 * bytes starting from init; NULL bytes give 0, a count of 0 gives init.
 */
ZORCOMMON_API uint32_t ByteCrc32X25(uint32_t byte, uint32_t crc);
ZORCOMMON_API uint32_t Crc32X25(const uint8_t* bytes, uint32_t init, uint32_t count);

/* Adler-32 of RFC 1950 (zlib's adler32) continued from adler over count bytes;
 * a fresh checksum starts from 1. NULL bytes give 1. (1, "abc", 3) gives
 * 0x024D0127. */
ZORCOMMON_API uint32_t ByteAdler32(uint32_t adler, const uint8_t* bytes, uint32_t count);

/* ------------------------------------------------------------------------ */
/* Exchange log and file helpers                                            */
/* ------------------------------------------------------------------------ */
/*
 * The exchange log is Windows-1251 text with CR LF line ends, written only by
 * appending in call order, one write call per text so lines do not tear.
 */

typedef int ZorFileHandle;
#define ZOR_INVALID_HANDLE (-1)

/*
 * Opens name for writing (readable by other programs meanwhile). append != 0:
 * opens or creates the file and moves to its end, keeping its contents.
 * append == 0: creates the file anew, emptying an existing one. New files get
 * mode 0666 less the umask.
 * Result: the handle, or ZOR_INVALID_HANDLE when name is NULL or the file
 * cannot be opened (errno tells why; see ShowLastSystemError). Close it with
 * close().
 * ZorCreateLogW takes a UTF-16 name (unpaired surrogates become U+FFFD).
 */
ZORCOMMON_API ZorFileHandle ZorCreateLogA(const char* name, int32_t append);
ZORCOMMON_API ZorFileHandle ZorCreateLogW(const char16_t* name, int32_t append);

/*
 * Writes a zero-terminated text at the file position, cut to its first 256
 * bytes (ZorLogTextA) or 256 UTF-16 units = 512 bytes (ZorLogTextW, which
 * writes UTF-16LE and never splits a surrogate pair: the cut then falls one
 * unit earlier).
 * Result: 1 when written; 1 without writing for an empty text; 0 for the
 * invalid handle, a NULL text or a failed write.
 */
ZORCOMMON_API int32_t ZorLogTextA(ZorFileHandle handle, const char* text);
ZORCOMMON_API int32_t ZorLogTextW(ZorFileHandle handle, const char16_t* text);

/*
 * Writes a hexadecimal dump of count bytes: each byte as a space and two
 * upper-case digits (" 0A"), 16 bytes to a line, each line ending CR LF and
 * written by its own ZorLogTextA (ZorLogTextW for the W form, in UTF-16LE).
 * Written after a title ending ":" the first line continues the title's line.
 * Result: 1 when every line is written; 0 for the invalid handle, NULL bytes,
 * a count of 0, or a failed write (lines before it stay written).
 */
ZORCOMMON_API int32_t ZorLogArrayA(ZorFileHandle handle, const uint8_t* bytes, uint32_t count);
ZORCOMMON_API int32_t ZorLogArrayW(ZorFileHandle handle, const uint8_t* bytes, uint32_t count);

/*
 * Reads one line of 8-bit text from the file position into buffer (size
 * bytes including the terminating zero): bytes up to a line feed or a zero
 * byte, which ends the line and is consumed but not stored. A carriage return
 * before the line feed stays in the text. A line longer than size - 1 bytes
 * comes in pieces of size - 1 bytes, one per call. The file position is left
 * just after what was consumed.
 * Result: buffer; at the end of the file buffer holds the empty text (so an
 * empty line and the end of the file look alike: a loop stops at the first
 * empty text). NULL when buffer is NULL, size < 2, the handle is invalid or
 * reading fails (buffer then holds the empty text).
 * Works on any readable descriptor; on a pipe or terminal it reads byte by
 * byte so nothing beyond the line is taken.
 */
ZORCOMMON_API char* ZorReadStringA(ZorFileHandle handle, char* buffer, uint32_t size);

/* ------------------------------------------------------------------------ */
/* Time                                                                     */
/* ------------------------------------------------------------------------ */
/*
 * A day count is days since 1899-12-30 00:00 local time, the time of day as
 * the fraction (1970-01-01 03:00 is 25569.125). Both use the process's time
 * zone (TZ).
 *
 * EpochTimeToDouble: seconds since 1970-01-01 00:00 UTC to the local day
 *   count; 0.0 when the time has no local representation.
 * EpochTimeFromDouble: a local day count to seconds since 1970 UTC. The day
 *   count is taken to the nearest millisecond and the milliseconds dropped;
 *   whether daylight-saving time applies is decided for the converted date.
 *   Result 0 for a count before 1601-01-01, not finite or beyond year 30827;
 *   -1 when the time does not fit 32 bits.
 */
ZORCOMMON_API double EpochTimeToDouble(int32_t seconds);
ZORCOMMON_API int32_t EpochTimeFromDouble(double days);

/* ------------------------------------------------------------------------ */
/* System error box                                                         */
/* ------------------------------------------------------------------------ */

/* Receives a message to show the operator: a title and a text, both UTF-8.
 * Called in the thread that reports the message. */
typedef void (*ZorMessageHandler)(const char* titleUtf8, const char* textUtf8);

/*
 * Installs the receiver of ShowLastSystemError's message (the GUI installs a
 * message box); NULL restores the default, which writes "title: text" and a
 * line feed to stderr. Result: the handler installed before.
 */
ZORCOMMON_API ZorMessageHandler ZorSetMessageHandler(ZorMessageHandler handler);

/* Shows the system's text of the calling thread's last error (errno) under
 * the title "GetLastError" through the installed handler. */
ZORCOMMON_API void ShowLastSystemError(void);

/* ------------------------------------------------------------------------ */
/* Windows-1251 and UTF-8                                                   */
/* ------------------------------------------------------------------------ */
/*
 * Convert length bytes of text (zero bytes included, no terminator needed)
 * into out, which receives the converted text and a terminating zero.
 * Works like snprintf: the result is the length of the whole converted text
 * in bytes, without the terminator; when it is >= outSize the text was cut
 * before a character that would not fit (out stays a complete, terminated
 * text). With outSize 0 (out may then be NULL) nothing is written: call once
 * to measure, then again with result + 1 bytes.
 *
 * ZorCp1251ToUtf8: every byte has a character (0x98, unassigned in
 *   Windows-1251, stands for U+0098), so bytes -> UTF-8 -> bytes is exact.
 * ZorUtf8ToCp1251: characters the code page lacks, and each byte of an
 *   invalid UTF-8 sequence, become '?'.
 *
 * Result -19 (ZOR_ERR_BAD_PARAM) when text is NULL with a non-zero length,
 * out is NULL with a non-zero outSize, or length exceeds 0x2AAAAAAA.
 */
ZORCOMMON_API int32_t ZorCp1251ToUtf8(const char* text, uint32_t length, char* out,
                                      uint32_t outSize);
ZORCOMMON_API int32_t ZorUtf8ToCp1251(const char* text, uint32_t length, char* out,
                                      uint32_t outSize);

#ifdef __cplusplus
} /* extern "C" */

#include <string>
#include <string_view>

namespace zor {

/* Convenience wrappers over the two conversions for C++ callers (compiled into
 * the caller; they add no exports). Invalid input cannot occur here. */
inline std::string Cp1251ToUtf8(std::string_view text) {
    std::string out(text.size() * 3, '\0');
    int32_t n = ZorCp1251ToUtf8(text.data(), static_cast<uint32_t>(text.size()), out.data(),
                                static_cast<uint32_t>(out.size() + 1));
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return out;
}

inline std::string Utf8ToCp1251(std::string_view text) {
    std::string out(text.size(), '\0');
    int32_t n = ZorUtf8ToCp1251(text.data(), static_cast<uint32_t>(text.size()), out.data(),
                                static_cast<uint32_t>(out.size() + 1));
    out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return out;
}

} // namespace zor
#endif

#endif /* ZORCOMMON_H */
