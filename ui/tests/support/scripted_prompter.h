#pragma once
// A Prompter for tests: answers come from queues, every text shown is recorded.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ui/core/prompter.h"

namespace vinra::ui::testing {

struct Shown {
    std::string kind;  // "question", "information", "error", "open", "openMany", "save", "input"
    QString text;      // message text, or the proposed file name of a dialog
    FileDialogSpec spec;
};

class ScriptedPrompter : public Prompter {
public:
    std::deque<Answer> answers;                 // questions; empty queue answers No
    std::deque<QString> files;                  // open/save dialogs; empty queue cancels
    std::deque<QStringList> fileLists;          // multi-file open dialogs
    std::deque<std::optional<QString>> inputs;  // input boxes
    std::vector<Shown> shown;

    Answer question(QWidget*, const QString& text, bool withCancel) override {
        shown.push_back({withCancel ? "question3" : "question", text, {}});
        if (answers.empty()) return Answer::No;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    void information(QWidget*, const QString& text) override { shown.push_back({"information", text, {}}); }
    void error(QWidget*, const QString& text) override { shown.push_back({"error", text, {}}); }
    QString openFile(QWidget*, const FileDialogSpec& spec) override {
        shown.push_back({"open", spec.selected, spec});
        return pop(files);
    }
    QStringList openFiles(QWidget*, const FileDialogSpec& spec) override {
        shown.push_back({"openMany", spec.selected, spec});
        if (fileLists.empty()) return {};
        QStringList l = fileLists.front();
        fileLists.pop_front();
        return l;
    }
    QString saveFile(QWidget*, const FileDialogSpec& spec) override {
        shown.push_back({"save", spec.selected, spec});
        return pop(files);
    }
    std::optional<QString> inputText(QWidget*, const QString&, const QString& label, const QString&) override {
        shown.push_back({"input", label, {}});
        if (inputs.empty()) return std::nullopt;
        const bool answered = inputs.front().has_value();
        const QString value = answered ? *inputs.front() : QString();
        inputs.pop_front();
        if (!answered) return std::nullopt;
        return value;
    }

    // Texts of one kind, in order.
    std::vector<QString> Texts(const std::string& kind) const {
        std::vector<QString> out;
        for (const auto& s : shown)
            if (s.kind == kind) out.push_back(s.text);
        return out;
    }

private:
    static QString pop(std::deque<QString>& q) {
        if (q.empty()) return {};
        QString v = q.front();
        q.pop_front();
        return v;
    }
};

}  // namespace vinra::ui::testing
