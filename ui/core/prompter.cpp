#include "ui/core/prompter.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace vinra::ui {
namespace {

QFileDialog* makeDialog(QWidget* parent, const FileDialogSpec& spec) {
    auto* dlg = new QFileDialog(parent, QString::fromUtf8(kProgramCaption), spec.folder, spec.filter);
    dlg->setAttribute(Qt::WA_DeleteOnClose, false);
    if (!spec.defaultSuffix.isEmpty()) dlg->setDefaultSuffix(spec.defaultSuffix);
    if (!spec.selected.isEmpty()) dlg->selectFile(spec.selected);
    return dlg;
}

}  // namespace

Answer QtPrompter::question(QWidget* parent, const QString& text, bool withCancel) {
    auto buttons = QMessageBox::Yes | QMessageBox::No;
    if (withCancel) buttons |= QMessageBox::Cancel;
    const auto r = QMessageBox::question(parent, QString::fromUtf8(kProgramCaption), text, buttons, QMessageBox::Yes);
    if (r == QMessageBox::Yes) return Answer::Yes;
    if (r == QMessageBox::No) return Answer::No;
    return withCancel ? Answer::Cancel : Answer::No;
}

void QtPrompter::information(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QString::fromUtf8(kProgramCaption), text);
}

void QtPrompter::error(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QString::fromUtf8(kProgramCaption), text);
}

void QtPrompter::errorWithDetail(QWidget* parent, const QString& text, const QString& detail) {
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kProgramCaption), text, QMessageBox::Ok, parent);
    if (!detail.isEmpty()) box.setDetailedText(detail);
    box.exec();
}

QString QtPrompter::openFile(QWidget* parent, const FileDialogSpec& spec) {
    std::unique_ptr<QFileDialog> dlg(makeDialog(parent, spec));
    dlg->setAcceptMode(QFileDialog::AcceptOpen);
    dlg->setFileMode(QFileDialog::ExistingFile);
    if (dlg->exec() != QDialog::Accepted || dlg->selectedFiles().isEmpty()) return {};
    return dlg->selectedFiles().first();
}

QStringList QtPrompter::openFiles(QWidget* parent, const FileDialogSpec& spec) {
    std::unique_ptr<QFileDialog> dlg(makeDialog(parent, spec));
    dlg->setAcceptMode(QFileDialog::AcceptOpen);
    dlg->setFileMode(QFileDialog::ExistingFiles);
    if (dlg->exec() != QDialog::Accepted) return {};
    return dlg->selectedFiles();
}

QString QtPrompter::saveFile(QWidget* parent, const FileDialogSpec& spec) {
    std::unique_ptr<QFileDialog> dlg(makeDialog(parent, spec));
    dlg->setAcceptMode(QFileDialog::AcceptSave);
    dlg->setFileMode(QFileDialog::AnyFile);
    if (!spec.confirmOverwrite) dlg->setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dlg->exec() != QDialog::Accepted || dlg->selectedFiles().isEmpty()) return {};
    return dlg->selectedFiles().first();
}

std::optional<QString> QtPrompter::inputText(QWidget* parent, const QString& title, const QString& label,
                                             const QString& value) {
    bool ok = false;
    const QString text = QInputDialog::getText(parent, title, label, QLineEdit::Normal, value, &ok);
    if (!ok) return std::nullopt;
    return text;
}

}  // namespace vinra::ui
