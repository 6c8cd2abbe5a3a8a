// The viewer of outside markup: the document it was given and the program's
// own pictures load; any other local path, device, FIFO or network address
// gives nothing, and never blocks.
#include <gtest/gtest.h>

#include <chrono>

#include <QElapsedTimer>
#include <QImage>
#include <QTextDocument>
#include <QUrl>

#include <sys/stat.h>

#include "tests/temp_dir.h"
#include "ui/core/safe_text_browser.h"

namespace vinra::ui {
namespace {

using vinra::testing::TempDir;

QString Q(const std::filesystem::path& p) { return QString::fromStdString(p.string()); }

TEST(SafeTextBrowser, LoadsOnlyTheDocumentAndTheProgramsPictures) {
    TempDir dir;
    const auto pictures = dir.path() / "Images";
    const auto elsewhere = dir.path() / "elsewhere";
    std::filesystem::create_directories(pictures);
    std::filesystem::create_directories(elsewhere);
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(Q(pictures / "logo.png")));
    ASSERT_TRUE(image.save(Q(elsewhere / "other.png")));
    ASSERT_EQ(::mkfifo((pictures / "fifo.png").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", pictures / "zero.png");
    vinra::testing::WriteBytes(dir.path() / "log.html", "<html><body><p>Goal log</p></body></html>");

    SafeTextBrowser browser;
    browser.setPictureFolders({Q(pictures)});
    EXPECT_FALSE(browser.openLinks());
    EXPECT_FALSE(browser.openExternalLinks());
    browser.setSource(QUrl::fromLocalFile(Q(dir.path() / "log.html")));
    EXPECT_TRUE(browser.toPlainText().contains(QStringLiteral("Goal log")));

    struct Case {
        const char* what;
        QUrl url;
        bool loads;
    };
    const Case cases[] = {
        {"own picture", QUrl::fromLocalFile(Q(pictures / "logo.png")), true},
        {"own picture, relative to the document", QUrl(QStringLiteral("Images/logo.png")), true},
        {"picture elsewhere", QUrl::fromLocalFile(Q(elsewhere / "other.png")), false},
        {"out through ..", QUrl(QStringLiteral("Images/../elsewhere/other.png")), false},
        {"FIFO among the pictures", QUrl::fromLocalFile(Q(pictures / "fifo.png")), false},
        {"FIFO by path", QUrl(Q(pictures / "fifo.png")), false},
        {"/dev/zero", QUrl(QStringLiteral("/dev/zero")), false},
        {"file:///dev/zero", QUrl(QStringLiteral("file:///dev/zero")), false},
        {"a link to /dev/zero among the pictures", QUrl::fromLocalFile(Q(pictures / "zero.png")), false},
        {"a system file", QUrl(QStringLiteral("file:///etc/passwd")), false},
        {"network", QUrl(QStringLiteral("http://127.0.0.1:9/logo.png")), false},
        {"network without a scheme", QUrl(QStringLiteral("//127.0.0.1/logo.png")), false},
    };
    for (const Case& c : cases) {
        QElapsedTimer took;
        took.start();
        const QVariant v = browser.loadResource(QTextDocument::ImageResource, c.url);
        EXPECT_EQ(v.isValid() && !v.toByteArray().isEmpty(), c.loads) << c.what;
        EXPECT_LT(took.elapsed(), 1000) << c.what;
    }
    // Only the document itself loads as a document.
    EXPECT_FALSE(browser.loadResource(QTextDocument::HtmlResource, QUrl::fromLocalFile(Q(elsewhere / "other.png")))
                     .isValid());
    EXPECT_FALSE(browser.loadResource(QTextDocument::StyleSheetResource, QUrl(QStringLiteral("file:///dev/zero")))
                     .isValid());

    // A page naming them all shows at once.
    QElapsedTimer took;
    took.start();
    browser.setHtml(QStringLiteral("<p>x</p><img src=\"%1\"><img src=\"/dev/zero\"><img src=\"file:///dev/zero\">")
                        .arg(Q(pictures / "fifo.png")));
    EXPECT_LT(took.elapsed(), 2000);
    EXPECT_TRUE(browser.toPlainText().contains(QStringLiteral("x")));
}

}  // namespace
}  // namespace vinra::ui
