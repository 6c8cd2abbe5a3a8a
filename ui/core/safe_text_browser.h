#pragma once
// A QTextBrowser for markup that comes from outside (the service's pages, the
// goal log and its templates from update.ini). The plain QTextBrowser loads
// whatever an <img src> or a stylesheet names: any local path (a FIFO blocks
// the GUI thread, /dev/zero fills the memory) or any file of the machine. This
// one loads the document it was given, the program's own pictures (Qt
// resources and the picture folders) as regular files of a bounded size, and
// nothing else: no other local path, no network address. Links are never
// followed by the viewer itself.
#include <QStringList>
#include <QTextBrowser>

namespace vinra::ui {

class SafeTextBrowser : public QTextBrowser {
    Q_OBJECT
public:
    // The largest picture or document read.
    static constexpr qint64 kMaxResourceBytes = qint64{8} << 20;

    // The picture folder of the data folder is allowed from the start.
    explicit SafeTextBrowser(QWidget* parent = nullptr);

    // The folders whose pictures a page may show (besides Qt resources).
    void setPictureFolders(const QStringList& folders);
    const QStringList& pictureFolders() const { return folders_; }

    QVariant loadResource(int type, const QUrl& name) override;

protected:
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;

private:
    QByteArray readBounded(const QString& path) const;
    bool inPictureFolder(const QString& canonicalPath) const;

    QStringList folders_;  // canonical paths
    QString document_;     // canonical path of the document set with setSource
};

}  // namespace vinra::ui
