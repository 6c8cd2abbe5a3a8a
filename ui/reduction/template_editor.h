#pragma once
// The template editor of the expert system: the singles and half guards by
// rank, the row difference, the source rows and the sign-count tightening of
// an .exp template. Fields are normalised as they are left; the file is
// written in one step, its names and descriptions kept.
#include <filesystem>

#include <QDialog>

#include "reduction/expert_system.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSpinBox;

namespace vinra::ui {

class Program;
class Prompter;

class TfrmEditor : public QDialog {
    Q_OBJECT
public:
    TfrmEditor(Program& program, Prompter& prompter, QWidget* parent = nullptr);
    ~TfrmEditor() override;

    // --- the buttons (false: the player cancelled or it failed) ---------------
    bool NewClick();
    bool OpenClick();
    bool SaveClick();
    void AddSourceRow();
    // Double-click on a source row: asks message 361 and deletes on Yes.
    void DeleteSourceRow(int index);
    // Opens a file without the dialog (tests, the wizard).
    bool Load(const std::filesystem::path& file);

    // The template as the fields hold it.
    reduction::ExpertTemplate Template() const;
    bool Modified() const { return modified_; }
    const std::filesystem::path& FileName() const { return file_; }

    // --- for tests and the screen grabs --------------------------------------
    QLineEdit* SafeField() const { return safe_; }
    QLineEdit* HalfXField() const { return halfX_; }
    QLineEdit* Half2Field() const { return half2_; }
    QSpinBox* RowDiffField() const { return rowDiff_; }
    QLineEdit* SourceListField() const { return sourceList_; }
    QComboBox* KindChoice() const { return kind_; }
    QSpinBox* SourceMin() const { return sourceMin_; }
    QSpinBox* SourceMax() const { return sourceMax_; }
    QListWidget* SourceRows() const { return sourceRows_; }
    QSpinBox* CountMin(int sign) const { return countMin_[sign]; }
    QSpinBox* CountMax(int sign) const { return countMax_[sign]; }

    // "kind|list|min|max" as the list shows a source row.
    static QString SourceRowText(const reduction::ExpertSourceRow& row);

protected:
    void closeEvent(QCloseEvent* event) override;

public slots:
    void reject() override;

private:
    void showTemplate(const reduction::ExpertTemplate& t);
    void normalise(QLineEdit* field);
    void changed() { modified_ = true; }
    // Asks message 279 when there are unsaved changes; false: stay.
    bool askSave();

    Program& program_;
    Prompter& prompter_;
    std::filesystem::path file_;
    // What the fields do not show (names, descriptions, run tightening, the
    // source rows' raw bounds) comes back with the file as it was read.
    reduction::ExpertTemplate loaded_;
    std::vector<reduction::ExpertSourceRow> rows_;
    bool modified_ = false;
    bool loading_ = false;

    QLineEdit* safe_ = nullptr;
    QLineEdit* halfX_ = nullptr;
    QLineEdit* half2_ = nullptr;
    QSpinBox* rowDiff_ = nullptr;
    QLineEdit* sourceList_ = nullptr;
    QComboBox* kind_ = nullptr;
    QSpinBox* sourceMin_ = nullptr;
    QSpinBox* sourceMax_ = nullptr;
    QListWidget* sourceRows_ = nullptr;
    QSpinBox* countMin_[3] = {};
    QSpinBox* countMax_[3] = {};
};

}  // namespace vinra::ui
