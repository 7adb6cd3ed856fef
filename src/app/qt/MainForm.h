#pragma once
// TMainForm: the burner's one window. It lays out the controls, turns
// their events into the workflow's handlers and carries out what the
// workflow asks of the window.
#include "app/BurnerWindow.h"

#include <QDialog>

#include <map>
#include <memory>

class QAccessibleEvent;
class QComboBox;
class QLabel;
class QTimer;

class TMainForm : public QDialog, public kq::BurnerWindow {
public:
    // The window owns its burner B; imageFolder ends with "/".
    TMainForm(std::unique_ptr<kq::BurnerPort> burner, std::string imageFolder);
    ~TMainForm() override;

    void SetCaption(kq::Control control, const std::string& text) override;
    void SetVisible(kq::Control control, bool visible) override;
    void AddItem(kq::Control list, const std::string& text) override;
    int ItemCount(kq::Control list) const override;
    void SetItemIndex(kq::Control list, int index) override;
    std::string SelectedItem(kq::Control list) const override;
    void SetLabelFont(kq::Control label, kq::Rgb colour, bool bold) override;
    void SetDefaultButton(kq::Control button) override;
    void SetTimerEnabled(bool enabled) override;
    void ProcessMessages() override;
    kq::MessageAnswer ShowMessage(const std::string& text, kq::MessageButtons buttons,
                                  kq::MessageIcon icon) override;
    void Close() override;
    void Post(std::function<void()> call) override;

    QWidget* Widget(kq::Control control) const { return controls_.at(control); }
    QTimer* Timer() const { return Timer_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Hands an event to assistive technology (which drops it while none listens).
    virtual void Notify(QAccessibleEvent& event);

private:
    void CreateControls();
    void ConnectHandlers();
    void BrowseClick();
    QLabel* LabelOf(kq::Control control) const;
    QComboBox* ListOf(kq::Control control) const;
    void DescribeControls();
    void SpeakText(kq::Control control, const QString& text);
    void AnnounceResult();

    std::map<kq::Control, QWidget*> controls_;
    QTimer* Timer_ = nullptr;
    bool shown_ = false;
};
