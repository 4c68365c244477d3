// Program-memory operations over ICSP: programming-mode entry and exit, the
// code-memory access prologue, row erase and row write of the two chip
// families, the verify-first write, the read (word by word, or batched on the
// USB adapter) and the comparison of the chip copy with the image.
//
// All operations take the application's AppCore and use its line layer, USB
// engine, image buffers and chip model. The range they cover is N words:
// BootWords when the profile says so (modupd4620 writes only the boot area by
// ICSP), otherwise ProgramWords.
#pragma once

#include <cstdint>

namespace korv {

struct AppCore;

// The five programming-mode entry sequences. They differ only in their
// waits; each holds PGC and PGD low and then raises MCLR to the programming
// voltage (on, off, on again; D only once).
enum class EntryVariant : uint8_t { A, B, C, D, E };

// Words of an erase row and the write-block sizes of the two chip families.
inline constexpr uint32_t kRowWords = 32;
inline constexpr uint32_t kNewChipBlockWords = 16; // 2XXX/4XXX: 32- or 64-byte holding buffer, used as 16 words
inline constexpr uint32_t kOldChipBlockWords = 4;  // FXX2: 8-byte holding buffer per panel

// How many times WriteProgramMemory erases and rewrites one row before it
// gives up on it. The first rewrite puts the image's difference in; the
// second covers one disturbed programming cycle (a supply or adapter glitch
// while a later block of the row programmed). A row whose words still do not
// read back after that has cells that do not hold the value, and every
// further attempt only costs the row another erase cycle.
inline constexpr int kMaxRowRewrites = 2;

// Line states shared by every ICSP sequence.
void LinesLow(AppCore& core);      // PGC low, PGD pulled low
void LinesReleased(AppCore& core); // PGC high, PGD released

void EnterProgramMode(AppCore& core, EntryVariant variant);
// Lines low, MCLR off, lines released: the module is free to run. On USB the
// release is sent at once instead of waiting for the next exchange, so that
// the adapter does not keep PGD pulled low while the module runs.
void LeaveProgramMode(AppCore& core);

// The NOP after a start-programming write: PGC held high on its 4th clock
// for the programming time (P9), then low for P10 (100 us on the 2XXX/4XXX
// family, 5 us on FXX2) before its operand; the held command of the line
// layer keeps both times.
void ProgrammingNop(AppCore& core);

// Access prologue before table writes: single-panel select (write 0x0000 to
// 0x3C0006) and code-memory select (EEPGD set, CFGS clear).
void SinglePanelSelect(AppCore& core);
void CodeMemorySelect(AppCore& core);

// Erases the 32-word row the table pointer points into.
void RowErase(AppCore& core);
// Writes MasterImage words r .. r+31 as write blocks of the identified chip;
// with gaugeEachBlock the gauge shows the next word index after each block.
void RowWrite(AppCore& core, uint32_t r, bool gaugeEachBlock = false);

// Words covered by write, read and compare.
uint32_t OperationWords(const AppCore& core);

// Writes words 0..N-1 of MasterImage, reading every word first and rewriting
// only the rows that differ. Logs "Прогр. OK" or the three failure lines.
bool WriteProgramMemory(AppCore& core);
// Reads words 0..N-1 into ChipImage (batched on the USB adapter). The number
// callers pass selects nothing.
void ReadProgramMemory(AppCore& core, int unused = 0);
void FastReadProgramMemory(AppCore& core);
// Queues the samples of one data-byte read without an exchange.
void QueueReadDataByte(AppCore& core);
// One exchange; decodes the read-back into ChipImage words endWord-32 ..
// endWord-1.
void DecodeReadBatch(AppCore& core, uint32_t endWord);
// Logs every differing word and a summary; true when equal.
bool CompareImages(AppCore& core);
// USB write of every row without per-word read-back, then one batched
// read-back check of the whole range.
bool FastWriteProgramMemory(AppCore& core);

} // namespace korv
