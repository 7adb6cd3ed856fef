#pragma once
// What the burn workflow needs of its window: captions, visibility, the two
// lists, label fonts, the default button, the timer, pending messages,
// message boxes and closing. The Qt window implements it; tests script it.
#include <cstdint>
#include <functional>
#include <string>

namespace kq {

// The window's controls, in the order of its field list.
enum class Control { ISO, Label1, Label2, Recorder, Burn, Label3, Label4, Cancel, Label5, Browse };

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kRed{255, 0, 0};

enum class MessageButtons { Ok, YesNoCancel };
enum class MessageIcon { None, Error };
enum class MessageAnswer { Ok, Yes, No, Cancel };

struct JobProgress;

class MainView {
public:
    virtual ~MainView() = default;

    virtual void SetCaption(Control control, const std::string& text) = 0;
    virtual void SetVisible(Control control, bool visible) = 0;

    // Drop-down lists (ISO, Recorder).
    virtual void AddItem(Control list, const std::string& text) = 0;
    virtual int ItemCount(Control list) const = 0;
    virtual void SetItemIndex(Control list, int index) = 0;
    // Text of the selected entry; empty when none is selected.
    virtual std::string SelectedItem(Control list) const = 0;

    virtual void SetLabelFont(Control label, Rgb colour, bool bold) = 0;
    virtual void SetDefaultButton(Control button) = 0;
    virtual void SetTimerEnabled(bool enabled) = 0;
    // The burn's progress as the other pages show theirs, at each tick;
    // a window without that display ignores it.
    virtual void ShowProgress(const JobProgress&) {}

    // Lets the window paint and handle input queued so far.
    virtual void ProcessMessages() = 0;
    // A modal box with no owner and the platform's default title; a
    // carriage return in the text starts a new line.
    virtual MessageAnswer ShowMessage(const std::string& text, MessageButtons buttons,
                                      MessageIcon icon) = 0;
    virtual void Close() = 0;

    // Runs the call later on the window's thread; callable from any thread.
    virtual void Post(std::function<void()> call) = 0;
};

}  // namespace kq
