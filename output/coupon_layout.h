#pragma once
// Where the marks go on a pool's paper coupon (the layout keys of the pool's
// section in National.Ini), each printer's feed correction and paper settings
// (a section per printer in RAVAROZ.INI), and the PC-Bet player data ([PCBET]).
// Lengths are stored in millimetres as the user typed them (decimal comma);
// the printing code works in inches.
#include <string>
#include <string_view>
#include <vector>

#include "core/ini.h"
#include "output/page.h"

namespace vinra::core {
class SettingsFile;
}

namespace vinra::output {

inline constexpr double kMmPerInch = 25.4;
// Message shown when a layout cannot be read and the fallback is printed, and
// when its row count is outside 1..16.
inline constexpr int kLayoutErrorMessage = 443;
// A coupon needs three of the engine's 50 columns per row.
inline constexpr int kMaxRowsPerCoupon = 16;
inline constexpr int kMaxCheckBoxes = 256;

// One fixed box of a coupon: "label|x|y|print", x and y in millimetres.
struct CheckBoxDef {
    std::string label;
    double x = 1.57;     // inches; the fallback when the stored x is not a number
    double y = 3.285;    // inches; likewise for y
    bool print = false;  // crossed on every coupon ("1"), else only on the test page
};
CheckBoxDef ParseCheckBox(std::string_view value);
// The stored form. A "|" inside the label would shift the other parts and is dropped.
std::string JoinCheckBox(std::string_view label, std::string_view xMm, std::string_view yMm, bool print);
// How the layout dialog lists a stored entry: "Enkelrader — 38 × 93 mm — Print: Yes"
// from "Enkelrader|38|93|1", with the dialog's own words for "Print:", yes and no.
std::string CheckBoxCaption(std::string_view entry, std::string_view printLabel, std::string_view yes,
                            std::string_view no);

// The layout as printing uses it, every length in inches.
struct CouponLayout {
    int rowsPerCoupon = 12;  // CouponColumns
    FontSpec font{"Arial", 10, false, false, 0};
    std::string printChar = "X";
    double kolumnAvstand = 0.454;
    double kolumnBredd = 0.08;
    double startBredd1 = 1.42;
    double startBreddX = 1.55;
    double startBredd2 = 1.69;
    double startHojd = 0.725;
    double hojdOkning = 0.177;
    std::vector<CheckBoxDef> checkBoxes;
    double namnX = 0.32;
    double namnY = 3.44;

    // A key could not be read: font and every length are the fallback ones.
    bool readFailed = false;
    // CouponColumns was an integer outside 1..16 and 12 is used instead.
    bool rowsCorrected = false;
    // The caller shows kLayoutErrorMessage; printing goes on with these values.
    bool needsMessage() const { return readFailed || rowsCorrected; }
};

// The values used after a reading failure (font Arial 8 regular, default positions).
CouponLayout FallbackCouponLayout();

// Reads the layout keys of the pool section in their fixed order. A missing
// length, or a Fontsize, Bold or length that is not a number, stops the reading:
// font and every length take the fallback, the check boxes read so far stay.
// CouponColumns (missing or not an integer: 12) and PrintChar are not affected.
CouponLayout ReadCouponLayout(const core::IniFile& national, std::string_view poolName);

// The layout keys as the layout dialog shows and stores them: texts as typed.
struct CouponLayoutForm {
    int couponColumns = 12;
    std::string fontName = "Arial";
    int fontSize = 10;
    bool bold = false;
    std::string kolumnAvstand, kolumnBredd, startBredd1, startBreddX, startBredd2, startHojd, hojdOkning;
    std::vector<std::string> checkBoxes;  // CB0.. as stored
    std::string namnX, namnY;
    // Fontsize or Bold was not an integer: the font name is "Arial" and every
    // field after the failing key (lengths and check boxes) is left empty.
    bool fontError = false;
};
CouponLayoutForm ReadCouponLayoutForm(const core::IniFile& national, std::string_view poolName);
// Writes every layout key in the fixed order (existing keys stay where they are)
// and removes CB keys numbered from checkBoxes.size() up, so the section holds
// exactly the list. Does not touch the file on disk: the caller saves.
void WriteCouponLayoutForm(core::IniFile& national, std::string_view poolName, const CouponLayoutForm& form);

// Windows paper-size and paper-bin codes, as stored.
inline constexpr int kPaperA4 = 9;
inline constexpr int kSourceAuto = 7;

// One printer's section of RAVAROZ.INI.
struct PrinterSettings {
    std::string left = "0,0";  // mm, positive moves the print right
    std::string top = "0,0";   // mm, positive moves the print down
    int format = kPaperA4;     // Windows paper-size code
    int kalla = kSourceAuto;   // Windows paper-source code
    bool orientering = false;  // true = landscape
};
// A section named after the printer; absent keys (and non-integer codes) take
// the defaults. An empty printer name gives the defaults.
PrinterSettings ReadPrinterSettings(const core::IniFile& settings, std::string_view printer);
// Writes Left, Top, Orientering, Format, Kalla. Nothing for an empty printer name.
void WritePrinterSettings(core::SettingsFile& settings, std::string_view printer, const PrinterSettings& p);

// The feed correction in inches. When either margin is not a number both are 0.
struct PrinterMargins {
    double left = 0;
    double top = 0;
};
PrinterMargins MarginsInches(const PrinterSettings& p);

// [PCBET] of RAVAROZ.INI: what the NTF file says about the player.
struct PcBetSettings {
    std::string name = "00000000000000000000";
    std::string cardNo = "?????????";
    std::string draws = "01";  // "01", "05" or "10"
    bool reciept = true;
    bool pause = true;
    bool fulltime = true;
};
PcBetSettings ReadPcBetSettings(const core::IniFile& settings);
void WritePcBetSettings(core::SettingsFile& settings, const PcBetSettings& p);

inline constexpr size_t kPcBetNameMax = 20;
inline constexpr size_t kCardNoMax = 9;
// Keeps space, digits and ASCII letters (every other byte, so every non-ASCII
// character, goes), at most 20 characters.
std::string FilterPcBetName(std::string_view text);
// Sum of i * d_i, then the digit sum repeated until one digit remains.
// Non-digit characters are not allowed (the caller checks); they count as 0.
int CardNumberCheckDigit(std::string_view digits);
// "?????????" and "000000000" are accepted as they are; otherwise every
// character is a digit and the last is the check digit of the others.
bool IsValidCardNumber(std::string_view cardNo);

}  // namespace vinra::output
