#pragma once
// The "Read a disc" and "Check a disc" pages: the drive, a file chosen
// through Qt's dialog, and the one button that starts the job.
#include "app/CheckWorkflow.h"
#include "app/ReadWorkflow.h"
#include "app/qt/JobPage.h"
#include "app/ComponentBurnerPort.h"

#include <memory>

class QCheckBox;
class QLineEdit;

// A path row (label, field, "…" button) and the action button, shared by
// both pages.
class PathPage : public JobPage<kq::JobView> {
public:
    QLineEdit* Path() const { return path_; }
    QPushButton* Browse() const { return browse_; }
    QPushButton* DefaultButton() const override { return action_; }

protected:
    struct Texts {
        const char *label, *name, *description, *browse, *action, *actionDescription;
    };
    PathPage(const Texts& texts, QWidget* parent);
    virtual QString Choose() = 0;
    void SetChoicesEnabled(bool enabled) override;
    // The path in the field, asked for first when it is empty.
    std::string ChosenPath();
    // True while the path is the one the file dialog gave (not typed).
    bool Chosen() const { return chosen_; }

private:
    void SetChosen(const QString& path);

private:
    QLineEdit* path_;
    QPushButton* browse_;
    bool chosen_ = false;

protected:
    QPushButton* action_;
};

class ReadPage : public PathPage {
public:
    explicit ReadPage(QWidget* parent = nullptr);
    ~ReadPage() override;
    kq::ReadWorkflow& Work() override { return *workflow_; }
    QCheckBox* KeepGoing() const { return keepGoing_; }

protected:
    QString Choose() override;
    void SetChoicesEnabled(bool enabled) override;

private:
    void ReadClick();

    QCheckBox* keepGoing_;
    kq::ComponentBurnerPort burner_;
    std::unique_ptr<kq::ReadWorkflow> workflow_;
};

class CheckPage : public PathPage {
public:
    explicit CheckPage(QWidget* parent = nullptr);
    ~CheckPage() override;
    kq::CheckWorkflow& Work() override { return *workflow_; }

protected:
    QString Choose() override;

private:
    void CheckClick();

    kq::ComponentBurnerPort burner_;
    std::unique_ptr<kq::CheckWorkflow> workflow_;
};
