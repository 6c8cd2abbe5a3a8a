#include "ui/core/startup.h"

#include <system_error>

#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QStringList>

#include "checking/tips_data.h"
#include "core/messages.h"
#include "core/settings.h"
#include "core/text.h"
#include "net/active_pools.h"
#include "ui/core/help.h"
#include "ui/core/language_window.h"
#include "ui/core/localise.h"
#include "ui/core/main_window.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/core/splash.h"
#include "ui/core/termination.h"

namespace vinra::ui {
namespace {

void ShowStartupError(const QString& text) { QMessageBox::critical(nullptr, QString::fromUtf8(kProgramCaption), text); }

}  // namespace

int RunDesktopProgram(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vinra 2000"));
    // No display name: the window system would append it to every title,
    // and the main window's title already starts with the program's name.
    QApplication::setApplicationVersion(QString::fromUtf8(core::kProgramVersion));
    // The program's numbers and dates look the same on every machine: decimal
    // comma, digits grouped by spaces, dates as yyyy-mm-dd. The program formats
    // its own texts; this makes Qt's number and date fields agree with them.
    QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));

    Program program(QCoreApplication::applicationDirPath().toStdString());
    try {
        program.LoadSettings();
    } catch (const core::FileError& e) {
        // An unreadable settings file: run with every default.
        ShowStartupError(QString::fromStdString(e.what()));
    }
    if (program.DataFilesInstallDue()) {
        const std::string failure = program.RunDataFilesInstaller();
        if (!failure.empty()) ShowStartupError(QString::fromStdString(failure));
        program.LoadDataFiles();
    }

    if (program.settings.language == -1) {
        ApplyLanguageChoice(program, AskLanguage());
    } else {
        core::SetCurrentLanguage(program.settings.language);
    }
    // Qt's own buttons and dialogs speak the program's language from here on.
    UseQtLanguage(core::CurrentLanguage());

    TfrmSplash splash(program.DataFolder());
    splash.show();
    app.processEvents();

    // Help asks the web service of update.ini (read anew at each request: the
    // update check may replace the file) and falls back to the installed pages.
    SetHelpSource({.host = [&program] { return net::ServiceHostOf(program.updateIni); },
                   .installed = InstalledHelpFolder(QCoreApplication::applicationDirPath().toStdString()),
                   .launch = {}});

    QtPrompter prompter;
    std::unique_ptr<TfrmStryk> window;
    try {
        program.OpenDatabase();
        window = std::make_unique<TfrmStryk>(program, prompter);
    } catch (const core::FileError&) {
        splash.close();
        ShowStartupError(QString::fromStdString(core::Msg(289)));
        return 1;
    } catch (const checking::DatabaseError&) {
        splash.close();
        ShowStartupError(QString::fromStdString(core::Msg(288)));
        return 1;
    } catch (const std::system_error&) {
        splash.close();
        ShowStartupError(QString::fromStdString(core::Msg(288)));
        return 1;
    } catch (...) {
        splash.close();
        ShowStartupError(QString::fromStdString(core::Msg(290)));
        return 1;
    }

    // The file named on the command line: all arguments joined with spaces.
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    // A SIGTERM from here on ends the program in order, whatever window is open.
    TerminationWatch termination;
    QObject::connect(&termination, &TerminationWatch::requested, window.get(), [w = window.get()] {
        w->EndOnRequest();
        TerminationWatch::EndProcessAfter(10000);
    });
    window->show();
    window->FirstShow(args.join(QLatin1Char(' ')));
    splash.finish(window.get());
    return app.exec();
}

}  // namespace vinra::ui
