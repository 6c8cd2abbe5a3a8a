#pragma once
// TfrmSvtTeams: maps a team name of the system that an SVT Text goal page did
// not show to the name the page uses for it. Accepted pairs go to
// teamstat.ini [teams_svt], which the page parser reads the next time.
#include <filesystem>
#include <functional>
#include <string>

#include <QDialog>

#include "net/result_parsers.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace vinra::ui {

class Prompter;

class TfrmSvtTeams : public QDialog {
    Q_OBJECT
public:
    enum class Outcome { Accepted, Skipped, CancelAll };

    // name: the unmatched team; pageLines: the cleaned page lines of the parser.
    TfrmSvtTeams(const std::string& name, const std::string& pageLines, Prompter& prompter, QWidget* parent = nullptr);

    QString Text() const;
    void SetText(const QString& text);
    QListWidget* Lines() const { return list_; }
    Outcome outcome() const { return outcome_; }

public slots:
    // Accepts only a name that occurs on the page, is shorter than 13
    // characters and, trimmed, longer than 1; otherwise says so and stays open.
    void btnOKClick();
    void btnSkipClick();
    void btnCancelAllClick();

private:
    std::string pageText_;
    Prompter& prompter_;
    Outcome outcome_ = Outcome::Skipped;
    QListWidget* list_ = nullptr;
    QLineEdit* edit_ = nullptr;
};

// Shows the dialog for every non-empty line of info.unmatchedTeams until one
// is cancelled with "Cancel all"; each accepted name is written to teamstat
// ([teams_svt] unmatched name = accepted text) at once. Returns how many were
// written. run shows the dialog (default: exec); tests drive it instead.
int MapSvtTeams(QWidget* parent, const net::TResultInfo& info, const std::filesystem::path& teamstat,
                Prompter& prompter, const std::function<void(TfrmSvtTeams&)>& run = {});

}  // namespace vinra::ui
