#include "ui/core/program.h"

#include "net/game_info.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "core/folders.h"
#include "core/signs.h"
#include "core/system_file.h"
#include "core/text.h"
#include "net/http.h"

namespace vinra::ui {

Program::Program(std::filesystem::path programFolder)
    : programFolder_(std::move(programFolder)),
      dataFolder_(core::DataFolder()),
      userFolder_(core::UserFolder()),
      settingsFile_(std::make_unique<core::SettingsFile>(dataFolder_ / "RAVAROZ.INI")) {}

Program::~Program() { core::SetDrawNumberResolver({}); }

void Program::LoadSettings() {
    std::error_code ec;
    std::filesystem::create_directories(dataFolder_, ec);
    doc = core::TVinraFile();
    doc.Omg = core::RoundOfToday();
    settings = settingsFile_->Load();
    // Every transfer uses the proxy of the settings, else the environment's.
    net::UseProxySetting(settings.proxy);
    doc.Typ = settings.lastPool;
    LoadDataFiles();
}

bool Program::DataFilesInstallDue() const {
    std::error_code ec;
    return settings.lastInstall != core::kProgramVersion || !std::filesystem::exists(NationalPath(), ec);
}

bool Program::DatabaseMissing() const {
    std::error_code ec;
    return !std::filesystem::exists(core::DatabaseFolder() / "tipsdata.sqlite", ec);
}

std::string Program::RunDataFilesInstaller() const {
    const std::filesystem::path exe = programFolder_ / kDataFilesInstaller;
    std::error_code ec;
    if (!std::filesystem::exists(exe, ec)) return "File not found: " + exe.string() + ". Please re-install Vinra 2000.";
    QProcess p;
    p.setProgram(QString::fromStdString(exe.string()));
    p.setArguments({QStringLiteral("/S")});
    p.start();
    if (!p.waitForStarted(30000) || !p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit ||
        p.exitCode() != 0)
        return "User install failed. Please re-install Vinra 2000.";
    return {};
}

void Program::OpenDatabase() {
    db.Open();
    // Old system files without a draw number take it from the games of their round.
    core::SetDrawNumberResolver([this](std::string_view typ, std::string_view omg) -> int32_t {
        return db.FindDrawNumber(static_cast<int32_t>(core::RoundNumber(omg)), typ);
    });
}

void Program::LoadDataFiles() {
    std::error_code ec;
    national = core::NationalIni();
    updateIni = core::IniFile();
    try {
        if (std::filesystem::exists(NationalPath(), ec)) national = core::NationalIni::FromFile(NationalPath());
    } catch (const core::FileError&) {}
    try {
        if (std::filesystem::exists(UpdateIniPath(), ec)) updateIni = core::IniFile::FromFile(UpdateIniPath());
    } catch (const core::FileError&) {}
}

void Program::SaveSettings() { settingsFile_->SaveOnExit(settings, doc.Typ); }

const std::filesystem::path& Program::TempFolder() {
    if (!temp_) {
        temp_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/vinra2000-XXXXXX"));
        if (temp_->isValid()) {
            QFile::setPermissions(temp_->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            tempPath_ = temp_->path().toStdString();
        }
    }
    return tempPath_;
}

void Program::DeleteTemporaryFiles() {
    if (!temp_ || tempPath_.empty()) return;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(tempPath_, ec))
        std::filesystem::remove_all(entry.path(), ec);
}

std::filesystem::path Program::StatisticsFile() const {
    // The name the game information is stored under: a pool name from a file
    // is made safe the same way, so it never leaves the cache folder.
    return net::GameInfoFile(dataFolder_, doc.Pool, doc.OmgID);
}

}  // namespace vinra::ui
