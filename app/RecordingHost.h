// A UiHost that records everything the core reports: the log lines, dialogs,
// gauge values and control texts. Used by the tests and by tools that run the
// core without windows.
#pragma once

#include "app/UiHost.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace korv {

class RecordingHost : public UiHost {
public:
    void Okno(const std::string& text) override { log.push_back(text); }
    void ClearLog() override
    {
        log.clear();
        ++logClears;
    }
    void SetGaugeMax(int max) override { gaugeMax = max; }
    void SetGaugeProgress(int progress) override
    {
        gaugeProgress = progress;
        gaugeHistory.push_back(progress);
    }
    void ProcessMessages() override
    {
        ++pumps;
        if (onPump)
            onPump();
    }
    void ErrorDialog(const std::string& text) override { errors.push_back(text); }
    void InfoDialog(const std::string& text) override { infos.push_back(text); }
    // Recorded with the information dialogs, and also on its own.
    void CancelDialog(const std::string& text) override
    {
        infos.push_back(text);
        cancels.push_back(text);
    }
    void SetText(const std::string& control, const std::string& text) override { texts[control] = text; }
    std::string Text(const std::string& control) const override
    {
        auto it = texts.find(control);
        return it == texts.end() ? std::string() : it->second;
    }
    void SetChecked(const std::string& control, bool checked) override { checks[control] = checked; }
    bool Checked(const std::string& control) const override
    {
        auto it = checks.find(control);
        return it != checks.end() && it->second;
    }

    // True when some log line equals text.
    bool Logged(const std::string& text) const
    {
        for (const auto& l : log)
            if (l == text)
                return true;
        return false;
    }

    std::vector<std::string> log;
    std::vector<std::string> errors;
    std::vector<std::string> infos;
    std::vector<std::string> cancels;
    std::vector<int> gaugeHistory;
    std::map<std::string, std::string> texts;
    std::map<std::string, bool> checks;
    int gaugeMax = 0;
    int gaugeProgress = 0;
    int pumps = 0;
    int logClears = 0;
    std::function<void()> onPump;
};

} // namespace korv
