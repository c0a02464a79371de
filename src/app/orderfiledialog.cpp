#include "orderfiledialog.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QStyle>

namespace app {

namespace {

// Icons and type names by kind and suffix, never by reading the file.
class NameOnlyIconProvider final : public QAbstractFileIconProvider
{
public:
    QIcon icon(IconType type) const override
    {
        return QApplication::style()->standardIcon(type == Folder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    }
    QIcon icon(const QFileInfo &info) const override { return icon(info.isDir() ? Folder : File); }
    QString type(const QFileInfo &info) const override
    {
        if (info.isDir())
            return QStringLiteral("フォルダ");
        return info.suffix().isEmpty() ? QStringLiteral("ファイル") : info.suffix().toUpper() + QStringLiteral(" ファイル");
    }
};

// Leaves out the order book, its -wal, -shm and -journal.
class HideOrderBook final : public QSortFilterProxyModel
{
public:
    HideOrderBook(const QString &bookPath, QObject *parent)
        : QSortFilterProxyModel(parent), m_book(QFileInfo(bookPath).absoluteFilePath())
    {
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        if (m_book.isEmpty())
            return true;
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (!files)
            return true;
        const QString path = files->filePath(files->index(row, 0, parent));
        return !(path == m_book || (path.startsWith(m_book) && path.mid(m_book.size()).startsWith(u'-')));
    }

private:
    QString m_book;
};

QString startFolder()
{
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (!downloads.isEmpty() && QFileInfo(downloads).isDir())
        return downloads;
    return QDir::homePath();
}

} // namespace

std::unique_ptr<QFileDialog> makeOrderFileDialog(QWidget *parent, const QString &orderBookPath)
{
    auto dialog = std::make_unique<QFileDialog>(parent, QStringLiteral("注文ファイルを開く"), startFolder(),
                                                QStringLiteral("注文ファイル (*.csv *.tsv *.txt);;すべてのファイル (*)"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // The provider is used by the dialog's file model from now on; it outlives it.
    auto *provider = new NameOnlyIconProvider;
    dialog->setIconProvider(provider);
    QObject::connect(dialog.get(), &QObject::destroyed, [provider] { delete provider; });
    dialog->setProxyModel(new HideOrderBook(orderBookPath, dialog.get()));
    return dialog;
}

QStringList askForOrderFiles(QWidget *parent, const QString &orderBookPath)
{
    const std::unique_ptr<QFileDialog> dialog = makeOrderFileDialog(parent, orderBookPath);
    return dialog->exec() == QDialog::Accepted ? dialog->selectedFiles() : QStringList();
}

} // namespace app
