// Intel HEX reader for the program-memory and configuration images, as the
// PIC18 tool chains write them (record types 00, 01, 04; the configuration
// area is selected by the extended linear address 0x0030).
//
// The reader works on text held in memory: a plain HEX file read whole, or
// the plain text of an enciphered image deciphered in memory.
#pragma once

#include "app/UiHost.h"
#include "app/VariantProfile.h"
#include "image/Images.h"

#include <string_view>

namespace korv {

struct AppCore;

// Value 0..15 of one upper-case hexadecimal digit; -1 for any other char.
int HexDigitValue(char c);

// Longest record line accepted (the data digit count is formed in 8 bits).
inline constexpr size_t kMaxHexLine = 255;

// Record reader. Lines end in CRLF, LF or CR; empty lines and lines of
// blanks only are skipped; a Ctrl-Z (DOS end-of-file mark) at the start of
// a line ends the text when only marks, line ends and blanks follow it
// (anything else after it is a format error); each line is upper-cased.
// Per line: LL = chars 2-3, AAAA = 4-7, TT = 8-9, data
// = chars 10 .. length-2 (digit count taken from the line, not from LL),
// CC = last 2.
//   TT 01: stop, success.
//   TT 04: selects the area of the following records, no checksum test:
//          chars 12-13 "30" the configuration area, upper address 0000
//          program memory, anything else (ID locations, data EEPROM) an
//          area whose records are tested but not stored; a record without
//          the four digits of an upper address changes nothing.
//   TT 00 in the configuration area: with storeConfig the data go to
//          ConfigImage[AAAA + k] (bytes beyond index 13 are dropped),
//          without it they are skipped; no checksum or ':' test.
//   any other record: each data byte is written to MasterImage at
//          (AAAA + k) mod 0x10000 (in the program-memory area only), then
//          the checksum and the ':' are tested.
// A failing test, a line shorter than 11 or longer than 255 characters,
// an odd data digit count, or a non-hex character in a field the reader
// uses logs "Ошибка формата или КС" and returns -1 (bytes of earlier records,
// and those of the failing program record before the fault, stay written;
// a damaged configuration record writes nothing).
// Returns 0 on success (end of text or TT 01). MaskConfigWrite is the
// caller's business.
int ReadHexRecords(std::string_view text, bool storeConfig, ImageBuffers& images, UiHost& host);

// Cleans ConfigImage after a successful load: in modupd2520 every 0x00
// becomes 0xFF first, then each byte is cleared or masked by the table of
// the variant (modupd2520 chooses its column by the Prog4520 indicator).
void MaskConfigWrite(const VariantProfile& profile, const UiHost& host, uint8_t (&configImage)[14]);
void MaskConfigWrite(AppCore& core);

// Loads the "BOOT" loader file named for the identified chip
// (Form_Param.Edit2 when Prog4520 is ticked, else Form_Param.Edit5): reads
// the whole file into images.FileText, runs the reader with storeConfig set
// and, on success, MaskConfigWrite. MasterImage is not erased first.
// A file that cannot be opened or read (or is larger than the buffer) shows
// an error dialog with the system's message. Returns 0 or -1.
int ExecuteHex(AppCore& core);

} // namespace korv
