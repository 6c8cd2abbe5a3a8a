#include "ui/core/safe_text_browser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/folders.h"

namespace vinra::ui {
namespace {

QString Canonical(const QString& path) { return QFileInfo(path).canonicalFilePath(); }

bool IsPictureName(const QString& path) {
    static const QStringList kSuffixes = {QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                          QStringLiteral("gif"), QStringLiteral("bmp"), QStringLiteral("ico")};
    return kSuffixes.contains(QFileInfo(path).suffix().toLower());
}

}  // namespace

SafeTextBrowser::SafeTextBrowser(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    try {
        setPictureFolders({QString::fromStdString((core::DataFolder() / "Images").string())});
    } catch (const std::exception&) {
        // No data folder: Qt resources only.
    }
}

void SafeTextBrowser::setPictureFolders(const QStringList& folders) {
    folders_.clear();
    for (const QString& f : folders) {
        const QString c = QFileInfo(f).canonicalFilePath();
        if (!c.isEmpty() && QFileInfo(c).isDir()) folders_ << c;
    }
}

bool SafeTextBrowser::inPictureFolder(const QString& canonicalPath) const {
    for (const QString& f : folders_)
        if (canonicalPath.startsWith(f + QLatin1Char('/'))) return true;
    return false;
}

QByteArray SafeTextBrowser::readBounded(const QString& canonicalPath) const {
    // Only a regular file is opened: a FIFO or a device would block or never end.
    const QFileInfo info(canonicalPath);
    if (!info.isFile() || info.size() > kMaxResourceBytes) return {};
    QFile file(canonicalPath);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.read(kMaxResourceBytes);
}

void SafeTextBrowser::doSetSource(const QUrl& name, QTextDocument::ResourceType type) {
    document_ = name.isLocalFile() ? Canonical(name.toLocalFile()) : QString();
    QTextBrowser::doSetSource(name, type);
}

QVariant SafeTextBrowser::loadResource(int type, const QUrl& name) {
    if (name.scheme() == QLatin1String("qrc") || name.toString().startsWith(QLatin1String(":/"))) {
        if (type != QTextDocument::ImageResource) return {};
        return QTextBrowser::loadResource(type, name);
    }
    // A name relative to the document: resolved against its folder, as the
    // plain browser would, and then held to the same rules.
    QString path;
    if (!name.host().isEmpty()) return {};  // "//host/x" is no local name either
    if (name.isLocalFile()) path = name.toLocalFile();
    else if (name.scheme().isEmpty() && !name.path().isEmpty()) {
        path = name.path();
        if (QDir::isRelativePath(path) && !document_.isEmpty()) path = QFileInfo(document_).dir().filePath(path);
    }
    if (path.isEmpty() || QDir::isRelativePath(path)) return {};  // network addresses and the like
    const QString canonical = Canonical(path);
    if (canonical.isEmpty()) return {};
    if (type == QTextDocument::HtmlResource && canonical == document_) {
        const QByteArray bytes = readBounded(canonical);
        if (bytes.isEmpty()) return {};
        return QString::fromUtf8(bytes);
    }
    if (type == QTextDocument::ImageResource && IsPictureName(canonical) && inPictureFolder(canonical)) {
        const QByteArray bytes = readBounded(canonical);
        if (!bytes.isEmpty()) return bytes;
    }
    return {};
}

}  // namespace vinra::ui
