#include "ui/reduction/template_editor.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/signs.h"
#include "ui/core/help.h"
#include "ui/core/localise.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"

namespace vinra::ui {
namespace {

namespace fs = std::filesystem;

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString M(int n) { return Q(core::Msg(n)); }
QString MF(int n, const std::vector<core::MsgArg>& args) { return Q(core::FormatMsg(core::Msg(n), args)); }

constexpr int kMsgNew = 10;            // "&New"
constexpr int kMsgOpen = 11;           // "&Open"
constexpr int kMsgSave = 12;           // "&Save"
constexpr int kMsgClose = 51;          // "&Close"
constexpr int kMsgKeepChanges = 279;   // "The file has changed. Do you want to keep the changes?"
constexpr int kMsgDelete = 361;        // "Delete %s?"
constexpr int kMsgTitle = 1704;        // "Template editor for the expert system"
constexpr int kMsgSafeGroup = 1705;    // "Safe and half-guarded matches"
constexpr int kMsgSafe = 1706;         // "&Safe matches:"
constexpr int kMsgHalfX = 1707;        // "&X guard:"
constexpr int kMsgHalf2 = 1708;        // "1/2 &guard:"
constexpr int kMsgRowDiff = 1709;      // "&Row difference (guarantee):"
constexpr int kMsgSourceGroup = 1710;  // "S-rows"
constexpr int kMsgSourceRow = 1711;    // "S-&row:"
constexpr int kMsgKind = 1712;         // "&Choice of S-sign:"
constexpr int kMsgMin = 1713;          // "M&in:"
constexpr int kMsgMax = 1714;          // "M&ax:"
constexpr int kMsgAdd = 1715;          // "A&dd"
constexpr int kMsgCountGroup = 1716;   // "Min and max values"
constexpr int kMsgCountMin = 1717;     // "Min"
constexpr int kMsgCountMax = 1718;     // "Max"
constexpr int kMsgKinds = 1719;        // 1719..1724: the six kinds of source-row sign
constexpr int kMsgListHint = 1725;     // "Places in the list of favourites, separated by commas ..."
constexpr int kMsgTemplates = 1726;    // "Expert templates"
constexpr int kMsgSaveFailed = 1727;   // "The template could not be saved: %s"
constexpr int kMsgReadFailed = 1728;   // "The template could not be read: %s"

// A list field: rank positions, normalised when the player leaves it.
QLineEdit* ListField(QWidget* parent, const char* name) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    TagHint(e, kMsgListHint);
    return e;
}

QSpinBox* Spin(QWidget* parent, const QString& name, int lo, int hi) {
    auto* s = new QSpinBox(parent);
    s->setObjectName(name);
    s->setRange(lo, hi);
    return s;
}

}  // namespace

TfrmEditor::TfrmEditor(Program& program, Prompter& prompter, QWidget* parent)
    : QDialog(parent), program_(program), prompter_(prompter) {
    SetHelpPage(this, "template.htm");
    setObjectName(QStringLiteral("frmEditor"));
    Tag(this, kMsgTitle);
    setModal(true);
    auto* lay = new QVBoxLayout(this);

    // Singles and half guards by rank, and the row difference.
    auto* safeBox = Tag(new QGroupBox(this), kMsgSafeGroup);
    auto* sf = new QFormLayout(safeBox);
    safe_ = ListField(safeBox, "edSafe");
    halfX_ = ListField(safeBox, "edHalfX");
    half2_ = ListField(safeBox, "edHalf2");
    rowDiff_ = Spin(safeBox, QStringLiteral("edRowDiff"), 0, 5);
    sf->addRow(Tag(new QLabel(safeBox), kMsgSafe), safe_);
    sf->addRow(Tag(new QLabel(safeBox), kMsgHalfX), halfX_);
    sf->addRow(Tag(new QLabel(safeBox), kMsgHalf2), half2_);
    sf->addRow(Tag(new QLabel(safeBox), kMsgRowDiff), rowDiff_);
    for (int i = 0; i < sf->rowCount(); ++i)
        if (auto* l = qobject_cast<QLabel*>(sf->itemAt(i, QFormLayout::LabelRole)->widget()))
            l->setBuddy(sf->itemAt(i, QFormLayout::FieldRole)->widget());
    lay->addWidget(safeBox);

    // Source rows.
    auto* srcBox = Tag(new QGroupBox(this), kMsgSourceGroup);
    auto* sg = new QGridLayout(srcBox);
    auto* srcLabel = Tag(new QLabel(srcBox), kMsgSourceRow);
    sourceList_ = ListField(srcBox, "edSourceRow");
    srcLabel->setBuddy(sourceList_);
    sg->addWidget(srcLabel, 0, 0);
    sg->addWidget(sourceList_, 0, 1, 1, 5);
    auto* kindLabel = Tag(new QLabel(srcBox), kMsgKind);
    kind_ = new QComboBox(srcBox);
    kind_->setObjectName(QStringLiteral("cbKind"));
    for (int k = 0; k < reduction::kSourceKinds; ++k) kind_->addItem(M(kMsgKinds + k));
    kindLabel->setBuddy(kind_);
    sg->addWidget(kindLabel, 1, 0);
    sg->addWidget(kind_, 1, 1, 1, 5);
    auto* minLabel = Tag(new QLabel(srcBox), kMsgMin);
    sourceMin_ = Spin(srcBox, QStringLiteral("edSourceMin"), 0, 12);
    minLabel->setBuddy(sourceMin_);
    auto* maxLabel = Tag(new QLabel(srcBox), kMsgMax);
    sourceMax_ = Spin(srcBox, QStringLiteral("edSourceMax"), 0, 13);
    maxLabel->setBuddy(sourceMax_);
    auto* add = Tag(new QPushButton(srcBox), kMsgAdd);
    add->setObjectName(QStringLiteral("btnAdd"));
    add->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, &TfrmEditor::AddSourceRow);
    sg->addWidget(minLabel, 2, 0);
    sg->addWidget(sourceMin_, 2, 1);
    sg->addWidget(maxLabel, 2, 2);
    sg->addWidget(sourceMax_, 2, 3);
    sg->addWidget(add, 2, 5);
    sg->setColumnStretch(4, 1);
    sourceRows_ = new QListWidget(srcBox);
    sourceRows_->setObjectName(QStringLiteral("lstSourceRows"));
    sourceRows_->setMinimumHeight(90);
    connect(sourceRows_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { DeleteSourceRow(sourceRows_->row(item)); });
    sg->addWidget(sourceRows_, 3, 0, 1, 6);
    lay->addWidget(srcBox);

    // Tightening of the sign counts.
    auto* countBox = Tag(new QGroupBox(this), kMsgCountGroup);
    auto* cg = new QGridLayout(countBox);
    cg->addWidget(Tag(new QLabel(countBox), kMsgCountMin), 1, 0);
    cg->addWidget(Tag(new QLabel(countBox), kMsgCountMax), 2, 0);
    const core::DisplaySigns signs = core::CurrentDisplaySigns();
    const std::string names[3] = {signs.home, signs.draw, signs.away};
    for (int s = 0; s < 3; ++s) {
        auto* head = new QLabel(Q(names[s]), countBox);
        head->setAlignment(Qt::AlignCenter);
        cg->addWidget(head, 0, s + 1);
        countMin_[s] = Spin(countBox, QStringLiteral("edMin%1").arg(s), 0, 12);
        countMax_[s] = Spin(countBox, QStringLiteral("edMax%1").arg(s), 0, 12);
        cg->addWidget(countMin_[s], 1, s + 1);
        cg->addWidget(countMax_[s], 2, s + 1);
    }
    cg->setColumnStretch(4, 1);
    lay->addWidget(countBox);

    auto* buttons = new QHBoxLayout;
    const auto addButton = [&](const char* name, int msg, auto slot) {
        auto* b = Tag(new QPushButton(this), msg);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
    };
    addButton("btnNew", kMsgNew, [this] { NewClick(); });
    addButton("btnOpen", kMsgOpen, [this] { OpenClick(); });
    addButton("btnSave", kMsgSave, [this] { SaveClick(); });
    buttons->addStretch();
    addButton("btnClose", kMsgClose, [this] { reject(); });
    lay->addLayout(buttons);

    for (QLineEdit* f : {safe_, halfX_, half2_, sourceList_})
        connect(f, &QLineEdit::editingFinished, this, [this, f] { normalise(f); });
    for (QLineEdit* f : {safe_, halfX_, half2_}) connect(f, &QLineEdit::textEdited, this, [this] { changed(); });
    QList<QSpinBox*> spins = {rowDiff_};
    for (int s = 0; s < 3; ++s) spins << countMin_[s] << countMax_[s];
    for (QSpinBox* sp : spins)
        connect(sp, &QSpinBox::valueChanged, this, [this] {
            if (!loading_) changed();
        });

    Localise(this);
    resize(520, 620);
}

TfrmEditor::~TfrmEditor() = default;

QString TfrmEditor::SourceRowText(const reduction::ExpertSourceRow& row) {
    return QStringLiteral("%1|%2|%3|%4")
        .arg(row.kind)
        .arg(Q(reduction::JoinPositions(row.positions)), Q(row.min), Q(row.max));
}

void TfrmEditor::normalise(QLineEdit* field) {
    const QString clean = Q(reduction::NormalisePositionList(field->text().toStdString()));
    if (clean != field->text()) field->setText(clean);
}

void TfrmEditor::showTemplate(const reduction::ExpertTemplate& t) {
    loading_ = true;
    loaded_ = t;
    safe_->setText(Q(reduction::NormalisePositionList(reduction::JoinPositions(t.safe))));
    halfX_->setText(Q(reduction::NormalisePositionList(reduction::JoinPositions(t.halfX))));
    half2_->setText(Q(reduction::NormalisePositionList(reduction::JoinPositions(t.half2))));
    rowDiff_->setValue(t.rowDiff);
    for (int s = 0; s < 3; ++s) {
        countMin_[s]->setValue(t.minTighten[static_cast<size_t>(s)]);
        countMax_[s]->setValue(t.maxTighten[static_cast<size_t>(s)]);
    }
    rows_ = t.sourceRows;
    sourceRows_->clear();
    for (const auto& r : rows_) sourceRows_->addItem(SourceRowText(r));
    sourceList_->clear();
    kind_->setCurrentIndex(0);
    sourceMin_->setValue(0);
    sourceMax_->setValue(0);
    loading_ = false;
    modified_ = false;
}

reduction::ExpertTemplate TfrmEditor::Template() const {
    reduction::ExpertTemplate t = loaded_;
    const auto list = [](const QLineEdit* f) {
        return reduction::ParsePositions(reduction::NormalisePositionList(f->text().toStdString()));
    };
    t.safe = list(safe_);
    t.halfX = list(halfX_);
    t.half2 = list(half2_);
    t.rowDiff = rowDiff_->value();
    for (int s = 0; s < 3; ++s) {
        t.minTighten[static_cast<size_t>(s)] = countMin_[s]->value();
        t.maxTighten[static_cast<size_t>(s)] = countMax_[s]->value();
    }
    t.sourceRows = rows_;
    return t;
}

void TfrmEditor::AddSourceRow() {
    normalise(sourceList_);
    reduction::ExpertSourceRow row;
    row.kind = std::max(0, kind_->currentIndex());
    row.positions = reduction::ParsePositions(sourceList_->text().toStdString());
    if (row.positions.empty()) return;
    row.min = std::to_string(sourceMin_->value());
    row.max = std::to_string(sourceMax_->value());
    if (std::find(rows_.begin(), rows_.end(), row) != rows_.end()) return;  // already in the list
    rows_.push_back(row);
    sourceRows_->addItem(SourceRowText(row));
    changed();
}

void TfrmEditor::DeleteSourceRow(int index) {
    if (index < 0 || index >= static_cast<int>(rows_.size())) return;
    const QString text = sourceRows_->item(index)->text();
    if (prompter_.question(this, MF(kMsgDelete, {text.toStdString()}), false) != Answer::Yes) return;
    rows_.erase(rows_.begin() + index);
    delete sourceRows_->takeItem(index);
    changed();
}

bool TfrmEditor::askSave() {
    if (!modified_) return true;
    switch (prompter_.question(this, M(kMsgKeepChanges), true)) {
        case Answer::Yes: return SaveClick();
        case Answer::No: return true;
        case Answer::Cancel: return false;
    }
    return false;
}

bool TfrmEditor::NewClick() {
    if (!askSave()) return false;
    file_.clear();
    showTemplate({});
    return true;
}

bool TfrmEditor::Load(const fs::path& file) {
    try {
        showTemplate(reduction::ReadTemplate(file));
    } catch (const std::exception& e) {
        prompter_.error(this, MF(kMsgReadFailed, {std::string(e.what())}));
        return false;
    }
    file_ = file;
    return true;
}

bool TfrmEditor::OpenClick() {
    if (!askSave()) return false;
    FileDialogSpec spec;
    spec.filter = M(kMsgTemplates) + QStringLiteral(" (*.exp *.txt)");
    spec.defaultSuffix = QStringLiteral("exp");
    spec.folder = Q(reduction::TemplateFolder(program_.DataFolder()).string());
    const QString chosen = prompter_.openFile(this, spec);
    if (chosen.isEmpty()) return false;
    return Load(fs::path(chosen.toStdString()));
}

bool TfrmEditor::SaveClick() {
    for (QLineEdit* f : {safe_, halfX_, half2_}) normalise(f);
    FileDialogSpec spec;
    spec.filter = M(kMsgTemplates) + QStringLiteral(" (*.exp *.txt)");
    spec.defaultSuffix = QStringLiteral("exp");
    const fs::path folder = reduction::TemplateFolder(program_.DataFolder());
    spec.folder = Q(folder.string());
    if (!file_.empty()) spec.selected = Q(file_.string());
    const QString chosen = prompter_.saveFile(this, spec);
    if (chosen.isEmpty()) return false;
    const fs::path file(chosen.toStdString());
    try {
        std::error_code ec;
        if (file.has_parent_path()) fs::create_directories(file.parent_path(), ec);
        // Written whole to a temporary file and renamed over the old one: a
        // failed save leaves the template that was there.
        reduction::WriteTemplate(file, Template());
    } catch (const std::exception& e) {
        prompter_.error(this, MF(kMsgSaveFailed, {std::string(e.what())}));
        return false;
    }
    file_ = file;
    loaded_ = Template();
    modified_ = false;
    return true;
}

void TfrmEditor::reject() {
    if (!askSave()) return;
    modified_ = false;
    QDialog::reject();
}

void TfrmEditor::closeEvent(QCloseEvent* event) {
    if (!askSave()) {
        event->ignore();
        return;
    }
    modified_ = false;
    QDialog::closeEvent(event);
}

}  // namespace vinra::ui
