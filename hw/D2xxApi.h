// The FTDI D2XX calls the program uses, with D2XX status codes. The libftdi1
// backend (D2XXUnit) and the simulated Vantrel adapter implement it.
#pragma once

#include <cstdint>

namespace korv {

using FT_STATUS = uint32_t;
using FT_HANDLE = void*;

enum : FT_STATUS {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_INVALID_BAUD_RATE = 7,
    FT_DEVICE_NOT_OPENED_FOR_ERASE = 8,
    FT_DEVICE_NOT_OPENED_FOR_WRITE = 9,
    FT_FAILED_TO_WRITE_DEVICE = 10,
    FT_EEPROM_READ_FAILED = 11,
    FT_EEPROM_WRITE_FAILED = 12,
    FT_EEPROM_ERASE_FAILED = 13,
    FT_EEPROM_NOT_PRESENT = 14,
    FT_EEPROM_NOT_PROGRAMMED = 15,
    FT_INVALID_ARGS = 16,
    FT_OTHER_ERROR = 17,
};

constexpr uint32_t FT_LIST_NUMBER_ONLY = 0x80000000u;
constexpr uint32_t FT_LIST_BY_INDEX = 0x40000000u;
constexpr uint32_t FT_OPEN_BY_SERIAL_NUMBER = 1;
constexpr uint32_t FT_OPEN_BY_DESCRIPTION = 2;
constexpr uint8_t FT_BITMODE_RESET = 0x00;
constexpr uint8_t FT_BITMODE_SYNC_BITBANG = 0x04;
constexpr uint32_t FT_PURGE_RX = 1;
constexpr uint32_t FT_PURGE_TX = 2;

class D2xxApi {
public:
    virtual ~D2xxApi() = default;
    // FT_LIST_NUMBER_ONLY: arg1 points to a uint32_t count.
    // FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION: arg1 is the index (cast to
    // a pointer-sized integer), arg2 a 64-byte buffer for the description.
    virtual FT_STATUS FT_ListDevices(void* arg1, void* arg2, uint32_t flags) = 0;
    // FT_OPEN_BY_DESCRIPTION: arg is a zero-terminated description.
    virtual FT_STATUS FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle) = 0;
    virtual FT_STATUS FT_SetBitMode(FT_HANDLE handle, uint8_t mask, uint8_t mode) = 0;
    virtual FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, uint8_t ms) = 0;
    virtual FT_STATUS FT_SetTimeouts(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs) = 0;
    virtual FT_STATUS FT_SetBaudRate(FT_HANDLE handle, uint32_t baud) = 0;
    virtual FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, uint32_t* rxBytes) = 0;
    virtual FT_STATUS FT_Purge(FT_HANDLE handle, uint32_t mask) = 0;
    virtual FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, uint32_t count, uint32_t* written) = 0;
    virtual FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, uint32_t count, uint32_t* read) = 0;
};

} // namespace korv
