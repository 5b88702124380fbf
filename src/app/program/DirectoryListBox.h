#pragma once

#include "BrowserFiles.h"

#include <QLabel>
#include <QListWidget>
#include <QString>

#include <functional>

class QLineEdit;

namespace korvex {

// The directory list: the path from the root down to the current directory, one line per
// folder with an open folder, and below it the current directory's subdirectories (hidden
// ones left out, sorted ignoring case). Activating a line (Enter or a double-click) asks to
// enter that directory; Backspace asks for the parent; Ctrl+L opens a line over the list to
// type or paste a directory, and Enter there asks for it (Escape closes the line). The list
// itself changes its directory
// only through setDirectory, so that whoever owns it decides what a failure means.
class DirectoryListBox : public QListWidget {
    Q_OBJECT
public:
    explicit DirectoryListBox(QWidget* parent = nullptr);

    // The current directory as a clean absolute path; kept while the list shows no lines.
    const QString& directory() const { return directory_; }
    // Enters directory and shows its lines; DirectoryError when it cannot be entered, and
    // then nothing changes. Raises directoryChanged when the directory is another one.
    void setDirectory(const QString& directory);
    // Shows no lines, keeping the directory (a database without one is chosen).
    void clearEntries();
    bool hasEntries() const { return count() > 0; }
    // Shows the lines of the current directory again.
    void showEntries();

    // The directory a line stands for.
    QString pathOf(const QListWidgetItem* item) const;

    // The line to type a directory into (Ctrl+L).
    void openPathLine();
    QLineEdit* pathLine() const { return pathLine_; }

signals:
    void directoryChanged(const QString& directory);
    void directoryRequested(const QString& directory);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fill();
    void closePathLine();

    QLineEdit* pathLine_ = nullptr;

    QString directory_;
};

// Shortens a directory to fit width pixels: whole leading folders give way to "...", as in
// "/.../tables/sales"; a last folder too wide on its own is cut at its end.
QString shortenDirectory(const QString& directory, int width, const std::function<int(const QString&)>& textWidth);

// A label that shows a directory shortened to its width, or a plain caption.
class DirectoryLabel : public QLabel {
    Q_OBJECT
public:
    explicit DirectoryLabel(QWidget* parent = nullptr);

    void setDirectory(const QString& directory);
    void setCaption(const QString& caption);
    // The full text behind the shortened one.
    const QString& fullText() const { return full_; }
    bool isDirectory() const { return isDirectory_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showShortened();

    QString full_;
    bool isDirectory_ = false;
};

} // namespace korvex
