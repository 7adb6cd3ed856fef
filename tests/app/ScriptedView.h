#pragma once
// A window for the workflow's tests: it remembers what the workflow set,
// answers message boxes from a script and can run a step of the test
// whenever the workflow lets pending messages through.
#include "PostedCalls.h"
#include "app/BurnerPort.h"
#include "app/MainView.h"

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace kqtest {

struct ShownMessage {
    std::string text;
    kq::MessageButtons buttons;
    kq::MessageIcon icon;
};

class ScriptedView : public kq::MainView {
public:
    ScriptedView() {
        using kq::Control;
        for (Control c : {Control::ISO, Control::Label1, Control::Label2, Control::Recorder,
                          Control::Burn, Control::Label5, Control::Cancel, Control::Label3, Control::Label4})
            visible[c] = !(c == Control::Label3 || c == Control::Label4 || c == Control::Cancel);
        captions[Control::Label1] = "1. Choose an ISO file to burn:";
        captions[Control::Cancel] = "Abort";
        defaultButton = Control::Burn;
    }

    void SetCaption(kq::Control c, const std::string& text) override { captions[c] = text; }
    void SetVisible(kq::Control c, bool v) override { visible[c] = v; }
    void AddItem(kq::Control list, const std::string& text) override { items[list].push_back(text); }
    int ItemCount(kq::Control list) const override {
        auto it = items.find(list);
        return it == items.end() ? 0 : static_cast<int>(it->second.size());
    }
    void SetItemIndex(kq::Control list, int index) override { selected[list] = index; }
    std::string SelectedItem(kq::Control list) const override {
        auto it = selected.find(list);
        if (it == selected.end() || it->second < 0 || it->second >= ItemCount(list)) return "";
        return items.at(list)[it->second];
    }
    void SetLabelFont(kq::Control label, kq::Rgb colour, bool bold) override {
        fonts[label] = {colour, bold};
    }
    void SetDefaultButton(kq::Control button) override { defaultButton = button; }
    void SetTimerEnabled(bool enabled) override { timerEnabled = enabled; }
    void ProcessMessages() override {
        ++processed;
        RunPosted();
        if (onProcessMessages) {
            auto step = std::move(onProcessMessages);
            onProcessMessages = nullptr;
            step();
        }
    }
    kq::MessageAnswer ShowMessage(const std::string& text, kq::MessageButtons buttons,
                                  kq::MessageIcon icon) override {
        messages.push_back({text, buttons, icon});
        if (answers.empty()) return kq::MessageAnswer::Ok;
        kq::MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Close() override { ++closes; }
    void Post(std::function<void()> call) override { posted_.Post(std::move(call)); }
    // Runs what other threads posted, in order.
    void RunPosted() { posted_.Run(); }

    std::string Caption(kq::Control c) const {
        auto it = captions.find(c);
        return it == captions.end() ? "" : it->second;
    }
    bool Visible(kq::Control c) const { return visible.at(c); }
    std::vector<std::string> Items(kq::Control list) const {
        auto it = items.find(list);
        return it == items.end() ? std::vector<std::string>{} : it->second;
    }

    std::map<kq::Control, std::string> captions;
    std::map<kq::Control, bool> visible;
    std::map<kq::Control, std::vector<std::string>> items;
    std::map<kq::Control, int> selected;
    std::map<kq::Control, std::pair<kq::Rgb, bool>> fonts;
    kq::Control defaultButton;
    bool timerEnabled = false;
    int processed = 0;
    int closes = 0;
    std::vector<ShownMessage> messages;
    std::deque<kq::MessageAnswer> answers;
    std::function<void()> onProcessMessages;

private:
    PostedCalls posted_;
};

}  // namespace kqtest
