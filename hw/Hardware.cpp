#include "hw/Hardware.h"

namespace korv {

FT_STATUS ForwardingD2xx::FT_ListDevices(void* arg1, void* arg2, uint32_t flags)
{
    if (target_) return target_->FT_ListDevices(arg1, arg2, flags);
    if ((flags & FT_LIST_NUMBER_ONLY) && arg1) {
        *static_cast<uint32_t*>(arg1) = 0;
        return FT_OK;
    }
    return FT_DEVICE_NOT_FOUND;
}

FT_STATUS ForwardingD2xx::FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle)
{
    return target_ ? target_->FT_OpenEx(arg, flags, handle) : FT_DEVICE_NOT_FOUND;
}

FT_STATUS ForwardingD2xx::FT_SetBitMode(FT_HANDLE handle, uint8_t mask, uint8_t mode)
{
    return target_ ? target_->FT_SetBitMode(handle, mask, mode) : FT_INVALID_HANDLE;
}

FT_STATUS ForwardingD2xx::FT_SetLatencyTimer(FT_HANDLE handle, uint8_t ms)
{
    return target_ ? target_->FT_SetLatencyTimer(handle, ms) : FT_INVALID_HANDLE;
}

FT_STATUS ForwardingD2xx::FT_SetTimeouts(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs)
{
    return target_ ? target_->FT_SetTimeouts(handle, readMs, writeMs) : FT_INVALID_HANDLE;
}

FT_STATUS ForwardingD2xx::FT_SetBaudRate(FT_HANDLE handle, uint32_t baud)
{
    return target_ ? target_->FT_SetBaudRate(handle, baud) : FT_INVALID_HANDLE;
}

FT_STATUS ForwardingD2xx::FT_GetQueueStatus(FT_HANDLE handle, uint32_t* rxBytes)
{
    if (target_) return target_->FT_GetQueueStatus(handle, rxBytes);
    if (rxBytes) *rxBytes = 0;
    return FT_INVALID_HANDLE;
}

FT_STATUS ForwardingD2xx::FT_Purge(FT_HANDLE handle, uint32_t mask)
{
    return target_ ? target_->FT_Purge(handle, mask) : FT_INVALID_HANDLE;
}

FT_STATUS ForwardingD2xx::FT_Write(FT_HANDLE handle, const void* buffer, uint32_t count, uint32_t* written)
{
    if (target_) return target_->FT_Write(handle, buffer, count, written);
    if (written) *written = 0;
    return FT_INVALID_HANDLE;
}

FT_STATUS ForwardingD2xx::FT_Read(FT_HANDLE handle, void* buffer, uint32_t count, uint32_t* read)
{
    if (target_) return target_->FT_Read(handle, buffer, count, read);
    if (read) *read = 0;
    return FT_INVALID_HANDLE;
}

} // namespace korv
