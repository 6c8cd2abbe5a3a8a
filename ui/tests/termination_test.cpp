// SIGTERM (log-out, shut-down, a script's kill) while a wizard or a dialog is
// open: the program ends within seconds, the player's file stays as it was and
// the unsaved changes are in a recovery copy beside it.
#include <gtest/gtest.h>

#include <csignal>
#include <tuple>

#include <QApplication>
#include <QTimer>

#include "core/system_document.h"
#include "tests/temp_dir.h"
#include "ui/core/command_table.h"
#include "ui/core/document_session.h"
#include "ui/core/termination.h"
#include "ui/tests/support/fixture_round.h"
#include "ui/tests/support/ui_fixture.h"

namespace vinra::ui::testing {
namespace {

namespace fs = std::filesystem;
using vinra::testing::ReadBytes;

// The command whose modal window is open, and whether it was opened before
// the application's event loop began (as the guide of the first start is).
class EndOnSigterm : public UiFixture, public ::testing::WithParamInterface<std::tuple<const char*, bool>> {};

TEST_P(EndOnSigterm, TheProgramEndsAndTheUnsavedChangesAreKept) {
    core::TVinraFile doc;
    doc.NewSystem(13, true);
    SetFixtureRound(doc);
    fs::create_directories(userPool());
    const fs::path file = userPool() / "derby.1x2";
    doc.SaveToFile(file);
    ASSERT_TRUE(window_->OpenFile(file));
    window_->show();
    window_->Session().ToggleSign(1, 0);
    ASSERT_TRUE(window_->Modified());
    const std::string saved = ReadBytes(file);

    TerminationWatch watch;
    QObject::connect(&watch, &TerminationWatch::requested, window_.get(), [this] { window_->EndOnRequest(); });
    // The command opens its modal window; once it is up, the signal comes.
    const auto [action, beforeLoop] = GetParam();
    bool signalled = false;
    const auto open = [this, action = action] { window_->Commands().Trigger(QString::fromLatin1(action)); };
    if (!beforeLoop) QTimer::singleShot(0, window_.get(), open);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!signalled && QApplication::activeModalWidget()) {
            signalled = true;
            std::raise(SIGTERM);
        }
    });
    poll.start(20);
    bool hung = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
        hung = true;
        QCoreApplication::exit(1);
    });
    guard.start(10000);
    if (beforeLoop) open();
    const int code = QApplication::exec();

    EXPECT_TRUE(signalled) << action << " opened no modal window";
    EXPECT_FALSE(hung) << "still running 10 s after SIGTERM";
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadBytes(file), saved);
    const fs::path copy = userPool() / "derby (recovered).1x2";
    ASSERT_TRUE(fs::exists(copy));
    core::TVinraFile back;
    back.LoadFromFile(copy);
    EXPECT_EQ(back.Grundrad, window_->Session().Doc().Grundrad);
    EXPECT_NE(back.Grundrad, doc.Grundrad);
    // The copy is no file of the session's: the player decides what it becomes.
    EXPECT_EQ(window_->FileName(), file);
}

INSTANTIATE_TEST_SUITE_P(Windows, EndOnSigterm,
                         ::testing::Combine(::testing::Values("actReduce", "actExpert", "actAbout"),
                                            ::testing::Bool()));

}  // namespace
}  // namespace vinra::ui::testing
