#pragma once
// The files and folders to put on a disc: dropped from the file manager,
// added with "Add files…" and "Add folder…", removed with Delete. The list
// only asks: what it shows comes back through SetPaths.
#include <QListWidget>

#include <functional>
#include <string>
#include <vector>

class QPushButton;

class FileList : public QListWidget {
public:
    explicit FileList(QWidget* parent = nullptr);

    void SetPaths(const std::vector<std::string>& paths);
    std::vector<std::string> Paths() const;
    // Local paths to add, from a drop or a dialog.
    std::function<void(const std::vector<std::string>&)> onAdd;
    // The rows to remove, last first.
    std::function<void(const std::vector<int>&)> onRemove;

    // The two buttons that fill the list through Qt's own dialogs.
    QPushButton* AddFilesButton() const { return addFiles_; }
    QPushButton* AddFolderButton() const { return addFolder_; }

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void AddFiles();
    void AddFolder();
    void Add(const QStringList& paths);
    void RemoveSelected();

    QPushButton* addFiles_;
    QPushButton* addFolder_;
};
