#include "app/qt/FileList.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include <algorithm>

namespace {

// The file manager's drop: text/uri-list, of which only local files count.
QStringList LocalFiles(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty()) paths << url.toLocalFile();
    return paths;
}

}  // namespace

FileList::FileList(QWidget* parent)
    : QListWidget(parent),
      addFiles_(new QPushButton(QStringLiteral("Add &files…"), parent)),
      addFolder_(new QPushButton(QStringLiteral("Add f&older…"), parent)) {
    setDragDropMode(QAbstractItemView::DropOnly);  // the viewport takes the drops
    setDropIndicatorShown(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setAccessibleName(QStringLiteral("Files and folders"));
    setAccessibleDescription(QStringLiteral("What goes on the disc; drop files here, Delete removes the chosen ones"));
    addFiles_->setAccessibleDescription(QStringLiteral("Choose files to put on the disc"));
    addFolder_->setAccessibleDescription(QStringLiteral("Choose a folder to put on the disc"));
    connect(addFiles_, &QPushButton::clicked, this, [this] { AddFiles(); });
    connect(addFolder_, &QPushButton::clicked, this, [this] { AddFolder(); });
}

void FileList::SetPaths(const std::vector<std::string>& paths) {
    clear();
    for (const std::string& path : paths) addItem(QString::fromStdString(path));
}

std::vector<std::string> FileList::Paths() const {
    std::vector<std::string> paths;
    for (int i = 0; i < count(); ++i) paths.push_back(item(i)->text().toStdString());
    return paths;
}

void FileList::dragEnterEvent(QDragEnterEvent* event) {
    if (LocalFiles(event->mimeData()).isEmpty()) return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void FileList::dragMoveEvent(QDragMoveEvent* event) {
    if (LocalFiles(event->mimeData()).isEmpty()) return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void FileList::dropEvent(QDropEvent* event) {
    const QStringList paths = LocalFiles(event->mimeData());
    if (paths.isEmpty()) return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
    Add(paths);
}

void FileList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) return RemoveSelected();
    QListWidget::keyPressEvent(event);
}

void FileList::AddFiles() {
    Add(QFileDialog::getOpenFileNames(this, QStringLiteral("Add files to the disc"), QString(), QString(),
                                      nullptr, QFileDialog::DontUseNativeDialog));
}

void FileList::AddFolder() {
    Add({QFileDialog::getExistingDirectory(this, QStringLiteral("Add a folder to the disc"), QString(),
                                           QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog)});
}

void FileList::Add(const QStringList& paths) {
    std::vector<std::string> added;
    for (const QString& path : paths)
        if (!path.isEmpty()) added.push_back(path.toStdString());
    if (!added.empty() && onAdd) onAdd(added);
}

void FileList::RemoveSelected() {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
    std::sort(rows.rbegin(), rows.rend());
    if (!rows.empty() && onRemove) onRemove(rows);
}
