#pragma once
// The language table: every text the user sees is a numbered message, in five
// languages. Message n of a language is found under base + n (bases in settings.h).
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vinra::core {

// The current language base (process-wide; English until set).
int CurrentLanguage();
void SetCurrentLanguage(int base);

// Message n in the current language; empty when the table has none.
std::string Msg(int n);
// Message n in the given language; empty when absent.
std::string MsgIn(int base, int n);
bool HasMsg(int base, int n);
// The numbers (1..) that have a text in the table.
std::vector<int> MessageNumbers();

// Fills %s, %d, %f (two decimals, decimal comma), %.Nf and %% of a message with
// the given values, one after the other. The text is never handed to printf:
// messages come from a data file. Missing values leave the placeholder empty;
// extra values are ignored.
using MsgArg = std::variant<long long, double, std::string>;
std::string FormatMsg(std::string_view text, const std::vector<MsgArg>& args);

// Parses the table text (number, then Swedish, English, Danish, Norwegian,
// Finnish, tab-separated; "\n" stands for a line feed). Exposed for tests.
struct MessageRow {
    int number = 0;
    std::string texts[5];  // in base order: Swedish, English, Danish, Norwegian, Finnish
};
std::vector<MessageRow> ParseMessageTable(std::string_view tsv);

}  // namespace vinra::core
