#include "DirectoryListBox.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QStyledItemDelegate>

namespace korvex {

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int LevelRole = Qt::UserRole + 1;
constexpr int IndentStep = 8; // pixels per level of the tree

// Lines stand indented by their depth in the tree.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem indented(option);
        indented.rect.adjust(index.data(LevelRole).toInt() * IndentStep, 0, 0, 0);
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(index.data(LevelRole).toInt() * IndentStep, 0);
    }
};

} // namespace

DirectoryListBox::DirectoryListBox(QWidget* parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("DirectoryListBox1"));
    setItemDelegate(new IndentDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { emit directoryRequested(pathOf(item)); });
}

void DirectoryListBox::setDirectory(const QString& directory)
{
    const QString path = cleanDirectoryPath(directory);
    requireEnterableDirectory(path);
    const bool changed = path != directory_;
    directory_ = path;
    fill();
    if (changed)
        emit directoryChanged(directory_);
}

void DirectoryListBox::clearEntries()
{
    clear();
}

void DirectoryListBox::showEntries()
{
    fill();
}

QString DirectoryListBox::pathOf(const QListWidgetItem* item) const
{
    return item ? item->data(PathRole).toString() : QString();
}

void DirectoryListBox::fill()
{
    clear();
    if (directory_.isEmpty())
        return;
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const auto add = [this](const QIcon& icon, const QString& text, const QString& path, int level) {
        auto* item = new QListWidgetItem(icon, text, this);
        item->setData(PathRole, path);
        item->setData(LevelRole, level);
        return item;
    };

    // The root, then every folder down to the current directory.
    add(open, QStringLiteral("/"), QStringLiteral("/"), 0);
    QString path;
    int level = 0;
    for (const QString& folder : directory_.split(u'/', Qt::SkipEmptyParts)) {
        path += u'/' + folder;
        add(open, folder, path, ++level);
    }
    QListWidgetItem* current = item(count() - 1);

    const QDir dir(directory_);
    const QStringList subdirectories = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : subdirectories)
        add(closed, name, dir.filePath(name), level + 1);
    setCurrentItem(current);
    scrollToItem(current);
}

void DirectoryListBox::openPathLine()
{
    if (!pathLine_) {
        pathLine_ = new QLineEdit(this);
        pathLine_->setObjectName(QStringLiteral("PathLine"));
        pathLine_->setAccessibleName(QStringLiteral("Directory to go to"));
        pathLine_->setClearButtonEnabled(true);
        connect(pathLine_, &QLineEdit::returnPressed, this, [this] {
            QString typed = QDir::fromNativeSeparators(pathLine_->text().trimmed());
            closePathLine();
            if (typed == QLatin1String("~") || typed.startsWith(QLatin1String("~/")))
                typed = QDir::homePath() + typed.mid(1);
            if (!typed.isEmpty())
                emit directoryRequested(QDir::cleanPath(QDir(directory_).absoluteFilePath(typed)));
        });
        pathLine_->installEventFilter(this);
    }
    pathLine_->setGeometry(0, 0, width(), pathLine_->sizeHint().height());
    pathLine_->setText(QDir::toNativeSeparators(directory_));
    pathLine_->selectAll();
    pathLine_->show();
    pathLine_->setFocus();
}

void DirectoryListBox::closePathLine()
{
    if (!pathLine_ || !pathLine_->isVisible())
        return;
    pathLine_->hide();
    setFocus();
}

bool DirectoryListBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == pathLine_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        closePathLine();
        return true;
    }
    if (watched == pathLine_ && event->type() == QEvent::FocusOut)
        pathLine_->hide();
    return QListWidget::eventFilter(watched, event);
}

void DirectoryListBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_L && event->modifiers() == Qt::ControlModifier) {
        openPathLine();
        return;
    }
    if (event->key() == Qt::Key_Backspace && directory_ != QLatin1String("/") && !directory_.isEmpty()) {
        emit directoryRequested(QFileInfo(directory_).path());
        return;
    }
    QListWidget::keyPressEvent(event);
}

QString shortenDirectory(const QString& directory, int width, const std::function<int(const QString&)>& textWidth)
{
    if (textWidth(directory) <= width)
        return directory;
    const QStringList folders = directory.split(u'/', Qt::SkipEmptyParts);
    for (qsizetype first = 1; first < folders.size(); ++first) {
        QString shortened = QStringLiteral("/.../") + folders.mid(first).join(u'/');
        if (textWidth(shortened) <= width)
            return shortened;
    }
    // Not even the last folder fits behind "/.../": cut it at its end.
    QString last = folders.isEmpty() ? directory : folders.last();
    while (!last.isEmpty() && textWidth(last + QStringLiteral("...")) > width)
        last.chop(1);
    return last + QStringLiteral("...");
}

DirectoryLabel::DirectoryLabel(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("LabelActDir"));
    setTextFormat(Qt::PlainText);
}

void DirectoryLabel::setDirectory(const QString& directory)
{
    full_ = directory;
    isDirectory_ = true;
    showShortened();
}

void DirectoryLabel::setCaption(const QString& caption)
{
    full_ = caption;
    isDirectory_ = false;
    setText(caption);
    setAccessibleName(caption);
}

void DirectoryLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    if (isDirectory_)
        showShortened();
}

void DirectoryLabel::showShortened()
{
    const QFontMetrics metrics(font());
    setText(shortenDirectory(full_, width(), [&](const QString& s) { return metrics.horizontalAdvance(s); }));
    setAccessibleName(full_);
}

} // namespace korvex
