// A D2XX library whose answers a test chooses: how many bytes each write
// takes, how many echoes each write leaves in the receive queue, what the
// captured pin states are, and which calls fail. For the exchange's
// error paths, which a working adapter never shows.
#pragma once

#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "hw/D2xxApi.h"

namespace korv::test {

class ScriptedD2xx final : public D2xxApi {
public:
    std::vector<std::string> devices{"Vantrel"};
    std::map<std::string, FT_STATUS> fail;  // call name -> status of every call
    std::deque<uint32_t> writeLimits;       // bytes taken by the next writes (else all)
    uint32_t echoDeficit = 0;               // echoes each write keeps back
    std::function<uint8_t(uint8_t)> capture = [](uint8_t b) { return b; };

    std::vector<uint8_t> accepted;  // every byte the device took, in order
    std::vector<uint32_t> writeSizes;
    std::vector<uint32_t> readSizes;
    int queueCalls = 0, purgeCalls = 0;

    FT_STATUS FT_ListDevices(void* a1, void* a2, uint32_t flags) override
    {
        if (auto st = Fail("FT_ListDevices")) return st;
        if (flags & FT_LIST_NUMBER_ONLY) {
            *static_cast<uint32_t*>(a1) = static_cast<uint32_t>(devices.size());
            return FT_OK;
        }
        size_t i = reinterpret_cast<uintptr_t>(a1);
        if (i >= devices.size()) return FT_DEVICE_NOT_FOUND;
        std::strncpy(static_cast<char*>(a2), devices[i].c_str(), 63);
        return FT_OK;
    }
    FT_STATUS FT_OpenEx(void* arg, uint32_t, FT_HANDLE* h) override
    {
        if (auto st = Fail("FT_OpenEx")) return st;
        *h = this;
        return FT_OK;
    }
    FT_STATUS FT_SetBitMode(FT_HANDLE, uint8_t, uint8_t) override { return Fail("FT_SetBitMode"); }
    FT_STATUS FT_SetLatencyTimer(FT_HANDLE, uint8_t) override { return Fail("FT_SetLatencyTimer"); }
    FT_STATUS FT_SetTimeouts(FT_HANDLE, uint32_t, uint32_t) override { return Fail("FT_SetTimeouts"); }
    FT_STATUS FT_SetBaudRate(FT_HANDLE, uint32_t) override { return Fail("FT_SetBaudRate"); }
    FT_STATUS FT_GetQueueStatus(FT_HANDLE, uint32_t* rx) override
    {
        ++queueCalls;
        if (auto st = Fail("FT_GetQueueStatus")) return st;
        *rx = static_cast<uint32_t>(rxq_.size());
        return FT_OK;
    }
    FT_STATUS FT_Purge(FT_HANDLE, uint32_t) override
    {
        ++purgeCalls;
        rxq_.clear();
        return Fail("FT_Purge");
    }
    FT_STATUS FT_Write(FT_HANDLE, const void* buf, uint32_t n, uint32_t* written) override
    {
        *written = 0;
        writeSizes.push_back(n);
        if (auto st = Fail("FT_Write")) return st;
        uint32_t take = n;
        if (!writeLimits.empty()) {
            take = std::min(n, writeLimits.front());
            writeLimits.pop_front();
        }
        const uint8_t* p = static_cast<const uint8_t*>(buf);
        accepted.insert(accepted.end(), p, p + take);
        uint32_t echoes = take > echoDeficit ? take - echoDeficit : 0;
        for (uint32_t i = 0; i < echoes; ++i) rxq_.push_back(capture(p[i]));
        for (uint32_t i = echoes; i < take; ++i) held_.push_back(capture(p[i]));
        *written = take;
        return FT_OK;
    }
    FT_STATUS FT_Read(FT_HANDLE, void* buf, uint32_t n, uint32_t* got) override
    {
        readSizes.push_back(n);
        // Echoes kept back arrive by the time a blocking read waits.
        rxq_.insert(rxq_.end(), held_.begin(), held_.end());
        held_.clear();
        *got = 0;
        if (auto st = Fail("FT_Read")) return st;
        uint8_t* p = static_cast<uint8_t*>(buf);
        while (*got < n && !rxq_.empty()) {
            p[(*got)++] = rxq_.front();
            rxq_.pop_front();
        }
        return FT_OK;
    }

private:
    FT_STATUS Fail(const std::string& call) const
    {
        auto it = fail.find(call);
        return it == fail.end() ? FT_OK : it->second;
    }
    std::deque<uint8_t> rxq_;
    std::vector<uint8_t> held_;
};

} // namespace korv::test
