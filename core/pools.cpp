#include "core/pools.h"

#include "core/text.h"

namespace vinra::core {

const std::vector<PoolInfo>& BuiltinPools() {
    static const std::vector<PoolInfo> pools = {
        {'S', "Stryktipset", "Svenska Spel", false},
        {'I', "Europatipset", "Svenska Spel", false},
        {'A', "Tipping Midtuke", "Norsk Tipping", false},
        {'B', "Tipping Midtuke Pause", "Norsk Tipping", true},
        {'C', "Tipping L\xC3\xB8rdag", "Norsk Tipping", false},
        {'D', "Tipping L\xC3\xB8rdag Pause", "Norsk Tipping", true},
        {'E', "Tipping S\xC3\xB8ndag", "Norsk Tipping", false},
        {'F', "Tipping S\xC3\xB8ndag Pause", "Norsk Tipping", true},
        {'G', "Tips 12", "Dansk Tipstjeneste", false},
        {'H', "Tips 13", "Dansk Tipstjeneste", false},
        {'V', "Vakioveikkaus", "Veikkaus", false},
        {'T', "SuperToto", "Unibet", false},
        {'O', "SuperToto Extra", "Unibet", false},
    };
    return pools;
}

const PoolInfo* FindPool(std::string_view code) {
    if (code.size() != 1) return nullptr;
    const char c = ToUpperAscii(code)[0];
    for (const auto& p : BuiltinPools())
        if (p.code == c) return &p;
    return nullptr;
}

int FirstWinLevel(std::string_view code) {
    if (code == "T") return 11;
    if (code == "O") return 7;
    return 10;
}

std::vector<std::string> NationalIni::Operators() const {
    std::vector<std::string> out;
    for (const auto& key : ini_.Keys("Countries")) out.push_back(ini_.ReadString("Countries", key));
    return out;
}

std::string NationalIni::OperatorOfPool(std::string_view code) const {
    return ini_.ReadString("Pools", code, "Svenska Spel");
}

std::string NationalIni::PoolName(std::string_view country, std::string_view code) const {
    return ini_.ReadString(country, code, "Stryktipset");
}

std::vector<std::string> NationalIni::PoolCodes(std::string_view country) const {
    std::vector<std::string> out;
    for (const auto& key : ini_.Keys(country))
        if (key.size() == 1) out.push_back(key);
    return out;
}

std::vector<OperatorLink> NationalIni::Links(std::string_view country) const {
    std::vector<OperatorLink> out;
    for (int i = 0; i < 10; ++i) {
        auto caption = ini_.Get(country, "MENU" + std::to_string(i));
        if (!caption) break;
        out.push_back({*caption, ini_.ReadString(country, "URL" + std::to_string(i))});
    }
    return out;
}

PoolSettings NationalIni::Settings(std::string_view poolName) const {
    PoolSettings s;
    s.name = std::string(poolName);
    s.img = ini_.ReadString(poolName, "Img");
    s.couponColumns = static_cast<int>(ini_.ReadInteger(poolName, "CouponColumns", 12));
    s.dbId = ini_.ReadString(poolName, "dbID", "S");
    s.signs.home = ini_.ReadString(poolName, "Home", "1");
    s.signs.draw = ini_.ReadString(poolName, "Draw", "X");
    s.signs.away = ini_.ReadString(poolName, "Away", "2");
    s.pauseTipping = ini_.ReadBool(poolName, "PauseTipping", false);
    s.xml = ini_.ReadBool(poolName, "XML", true);
    s.pricePerRow = static_cast<int>(ini_.ReadInteger(poolName, "PricePerRow", 100));
    s.printChar = ini_.ReadString(poolName, "PrintChar", "X");
    return s;
}

PoolSettings NationalIni::SettingsOfCode(std::string_view code) const {
    return Settings(PoolName(OperatorOfPool(code), code));
}

PoolSettings NationalIni::SettingsOfSystem(std::string_view pool, std::string_view code) const {
    if (!pool.empty() && ini_.HasSection(pool)) return Settings(pool);
    return SettingsOfCode(code.empty() ? "S" : code);
}

}  // namespace vinra::core
