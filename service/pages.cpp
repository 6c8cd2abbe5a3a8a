#include "service/pages.h"

#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <set>

#include "core/pools.h"

namespace vinra::service {

std::string EscapeMarkup(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default:
                // Control characters have no place in these documents.
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t') out += ' ';
                else out += c;
        }
    }
    return out;
}

namespace {

const std::string kXmlHead = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";

std::string E(std::string_view text) { return EscapeMarkup(text); }

// Exchange-line fields are ";"-separated; a name can never carry a separator or a line break.
std::string Field(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == ';' || c == '\r' || c == '\n') c = ' ';
    return out;
}

// "1 234 567"
std::string Grouped(int64_t value) {
    std::string digits = std::to_string(value), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ' ';
        out += digits[i];
    }
    return out;
}

const Level* LevelOf(const Round& r, int rights) {
    for (const Level& l : r.levels)
        if (l.rights == rights) return &l;
    return nullptr;
}

std::string HtmlHead(const std::string& title) {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + E(title) +
           "</title><style>body{font-family:Verdana,sans-serif}td,th{padding:2px 8px}</style></head><body>\n";
}

}  // namespace

std::string ActivePoolsIni(const Season& season, const std::string& today) {
    std::vector<const Round*> rounds;
    for (const Round* r : season.unsettled()) {
        const core::PoolInfo* pool = core::FindPool(std::string(1, r->typ));
        if (pool && !pool->halfTime) rounds.push_back(r);  // half-time pools are results only
    }
    std::string codes;
    for (const Round* r : rounds)
        if (codes.find(r->typ) == std::string::npos) codes += r->typ;
    std::string out =
        "; Active pools of the Vinra 2000 web service\n[Info]\nFileOK=1\nDate=" + today + "\nPools=" + codes + "\n";
    for (char c : codes) out += fmt::format("{}={}0\n", c, c);
    std::map<char, int> index;
    for (const Round* r : rounds) {
        out += fmt::format("\n[{}{}]\nN={}\nC={}\nOmg={}\nXMLOmgang={}\nNumGames={}\nDeadline={}\n", r->typ,
                           index[r->typ]++, PoolName(r->typ), PoolOperator(r->typ), r->omg, r->omgId, r->matches.size(),
                           r->deadline);
    }
    // The games of the open rounds and the latest result of each pool go straight
    // into the program's database.
    out += "\n[PoolGames]\n";
    for (const Round* r : rounds)
        for (size_t m = 0; m < r->matches.size(); ++m)
            out += fmt::format("{};{};{};{};{};{}\n", r->roundInteger(), r->typ, r->omgId, m + 1,
                               Field(r->matches[m].home), Field(r->matches[m].away));
    out += "\n[PoolResults]\n";
    for (char c : season.pools()) {
        const Round* last = nullptr;
        for (const Round& r : season.rounds())
            if (r.typ == c && r.settled() && (!last || r.omgId > last->omgId)) last = &r;
        if (!last) continue;
        Season one;
        one.add(*last);
        out += ResultsLines(one);
    }
    return out;
}

std::string GamesLines(const Season& season) {
    std::string out;
    for (const Round& r : season.rounds())
        for (size_t m = 0; m < r.matches.size(); ++m)
            out += fmt::format("{};{};{};{};{};{}\n", r.roundInteger(), r.typ, r.omgId, m + 1, Field(r.matches[m].home),
                               Field(r.matches[m].away));
    return out;
}

std::string ResultsLines(const Season& season) {
    std::string out;
    for (const Round& r : season.rounds()) {
        if (!r.settled()) continue;
        out += fmt::format("{};{};{};{}", r.roundInteger(), r.typ, r.omgId, r.resultRow());
        for (int slot = 13; slot >= 10; --slot) {
            const Level* l = LevelOf(r, slot);
            out += fmt::format(";{};{},00", l ? l->winners : 0, l ? l->payout : 0);
        }
        out += '\n';
    }
    return out;
}

std::string ResultsXml(const Round& r) {
    const std::string row = r.resultRow();
    std::string out = kXmlHead + fmt::format("<resultat><produkt>{}</produkt><omgang>{}</omgang><vecka>{}</vecka>",
                                             E(PoolName(r.typ)), r.omgId, r.omg);
    for (size_t m = 0; m < r.matches.size(); ++m) {
        const Match& x = r.matches[m];
        out += fmt::format(
            "<match "
            "nr=\"{}\"><hemmalag>{}</hemmalag><bortalag>{}</bortalag><slutresultat>{}</slutresultat><tecken>{}</"
            "tecken></match>",
            m + 1, E(x.home), E(x.away),
            x.homeGoals >= 0 ? fmt::format("{}-{}", x.homeGoals, x.awayGoals) : std::string(),
            row.empty() ? std::string() : std::string(1, row[m]));
    }
    out += "<utdelning>";
    for (const Level& l : r.levels)
        out += fmt::format("<niva><ratt>{}</ratt><belopp>{}</belopp><antal>{}</antal></niva>", l.rights, l.payout,
                           l.winners);
    out += "</utdelning></resultat>\n";
    return out;
}

std::string ResultsHtml(const Round& r) {
    const std::string row = r.resultRow();
    std::string out = HtmlHead(fmt::format("{} {}", PoolName(r.typ), r.omgId));
    out += fmt::format("<h1>{} omg&aring;ng {}</h1>\n<p>Vecka: {} </p>\n", E(PoolName(r.typ)), r.omgId,
                       r.omg.substr(5, 2));
    out += "<table border=\"1\">\n<tr><th>Nr</th><th>Matcher</th><th>Tecken</th><th>Resultat</th></tr>\n";
    for (size_t m = 0; m < r.matches.size(); ++m) {
        const Match& x = r.matches[m];
        out += fmt::format("<tr><td>{}</td><td>{} - {}</td><td>{}</td><td>{}</td></tr>\n", m + 1, E(x.home), E(x.away),
                           row.empty() || row[m] == '-' ? std::string() : std::string(1, row[m]),
                           x.homeGoals >= 0 ? fmt::format("{}&ndash;{}", x.homeGoals, x.awayGoals) : std::string());
    }
    out += "</table>\n<table border=\"1\">\n<tr><th>Utdelning</th><th>Vinnare</th><th>Belopp</th></tr>\n";
    for (const Level& l : r.levels)
        out += fmt::format("<tr><td>{} rätt</td><td>{}</td><td>{} kr</td></tr>\n", l.rights, Grouped(l.winners),
                           Grouped(l.payout));
    out += "</table>\n</body></html>\n";
    return out;
}

std::string GameInfoXml(const Round& r) {
    std::string out = kXmlHead + fmt::format("<speldata><produkt>{}</produkt><omgang>{}</omgang><matcher>",
                                             E(PoolName(r.typ)), r.omgId);
    for (size_t m = 0; m < r.matches.size(); ++m) {
        const Match& x = r.matches[m];
        auto three = [](const char* tag, const std::string(&v)[3]) {
            return fmt::format("<{0}><val1>{1}</val1><valx>{2}</valx><val2>{3}</val2></{0}>", tag, E(v[0]), E(v[1]),
                               E(v[2]));
        };
        out += fmt::format(
            "<match nr=\"{}\"><hemmalag>{}</hemmalag><bortalag>{}</bortalag><tips>{}</tips><kommentar>{}</kommentar>",
            m + 1, E(x.home), E(x.away), E(x.tips), E(x.comment));
        out += three("svenskafolket", x.people) + three("tidningstips", x.news) + three("odds", x.odds) + "</match>";
    }
    out += "</matcher></speldata>\n";
    return out;
}

std::string LiveXml(const Round* r) {
    std::string out = kXmlHead + "<svsxml><get_live_service_update_response><live_header>";
    if (r) out += fmt::format("<draw number=\"{}\" product=\"{}\"/>", r->omgId, E(PoolName(r->typ)));
    out += "<prel_result>";
    if (r) {
        for (size_t m = 0; m < r->matches.size(); ++m) {
            const Match& x = r->matches[m];
            if (x.homeGoals < 0) continue;  // not started
            const int outcome = x.homeGoals > x.awayGoals ? 0 : x.homeGoals == x.awayGoals ? 1 : 2;
            // Every goal and the final whistle make a newer record.
            const int version = 1 + x.homeGoals + x.awayGoals + (x.ended ? 1 : 0);
            out += fmt::format(
                "<match_result row_id=\"{}\" score_home=\"{}\" score_away=\"{}\" status=\"{}\" outcome=\"{}\" "
                "version=\"{}\"/>",
                m + 1, x.homeGoals, x.awayGoals, x.ended ? 1 : 3, outcome, version);
        }
    }
    out += "</prel_result><return_forecast>";
    if (r)
        for (size_t g = 0; g < r->levels.size() && g < 4; ++g)
            out += fmt::format("<winnings_group sequence=\"{}\" win_amount=\"{}.00\" number_of_winners=\"{}\"/>", g + 1,
                               r->levels[g].payout, r->levels[g].winners);
    out += "</return_forecast></live_header></get_live_service_update_response></svsxml>\n";
    return out;
}

std::string SvtPage(const Round* r) {
    std::string out = HtmlHead("SVT Text 377");
    out += "<pre>\n377 SVT Text        Målservice\n\n";
    if (r) {
        out += E(PoolName(r->typ)) + " omgång " + std::to_string(r->omgId) + "\n\n";
        for (const Match& x : r->matches) {
            // Team names are cut so that both fit in the first 31 characters of
            // the line; the score is the last "-" of the line.
            std::string teams = x.home + "-" + x.away;
            if (teams.size() > 31) teams = x.home.substr(0, 15) + "-" + x.away.substr(0, 15);
            std::string line = E(teams) + std::string(teams.size() < 32 ? 32 - teams.size() : 1, ' ');
            line += x.homeGoals >= 0 ? fmt::format("{}-{}", x.homeGoals, x.awayGoals) : std::string("   ");
            out += x.ended ? "<span class=\"C\">" + line + "</span>\n" : line + "\n";
        }
        out += "\n";
        for (const Level& l : r->levels)
            // "13 rätt:" then the amount inside the next twenty characters, padded so
            // that no digit of the following line is read with it.
            out += fmt::format("{} rätt:{:>14} kr{:20}\n", l.rights, Grouped(l.payout), "");
    } else {
        out += "Inga matcher just nu\n";
    }
    out += "</pre>\n</body></html>\n";
    return out;
}

namespace {

struct Played {
    const Round* round;
    const Match* match;
};

std::vector<Played> GamesOf(const Season& season, const std::string& team) {
    std::vector<Played> out;
    for (const Round& r : season.rounds())
        for (const Match& m : r.matches)
            if (m.ended && (m.home == team || m.away == team)) out.push_back({&r, &m});
    std::stable_sort(out.begin(), out.end(),
                     [](const Played& a, const Played& b) { return a.round->omg > b.round->omg; });
    return out;
}

// The statistics pages' own words, in Swedish or English.
struct PageWords {
    const char* chart;
    const char* games;
    const char* meetings;
    const char* tables[6];
    const char* noGames;
    const char* notMet;
    const char* gamesHead;  // the four column headings of a games table
    const char* tableHead;  // the column headings of a league table
    const char* won;        // the chart's letters for a win, a draw and a loss
    const char* drawn;
    const char* lost;
    const char* match;
};

const PageWords kSwedish{"Formkurva",
                         "Senaste matcherna",
                         "Tidigare möten",
                         {"Tabell", "Hemmatabell", "Bortatabell", "Form", "Hemmaform", "Bortaform"},
                         "Inga spelade matcher",
                         "Lagen har inte mötts tidigare.",
                         "<th>Omgång</th><th>Hemmalag</th><th>Bortalag</th><th>Resultat</th>",
                         "<th></th><th>Lag</th><th>S</th><th>V</th><th>O</th><th>F</th><th>Mål</th><th>P</th>",
                         "V",
                         "O",
                         "F",
                         "match"};
const PageWords kEnglish{"Form chart",
                         "Latest games",
                         "Earlier meetings",
                         {"Table", "Home table", "Away table", "Form", "Home form", "Away form"},
                         "No games played",
                         "The teams have not met before.",
                         "<th>Round</th><th>Home</th><th>Away</th><th>Result</th>",
                         "<th></th><th>Team</th><th>P</th><th>W</th><th>D</th><th>L</th><th>Goals</th><th>Pts</th>",
                         "W",
                         "D",
                         "L",
                         "match"};

std::string GamesTable(const std::vector<Played>& games, size_t limit, const PageWords& w) {
    std::string out = fmt::format("<table border=\"1\"><tr>{}</tr>\n", w.gamesHead);
    for (size_t i = 0; i < games.size() && i < limit; ++i)
        out += fmt::format("<tr><td>{}</td><td>{}</td><td>{}</td><td>{}-{}</td></tr>\n", games[i].round->omg,
                           E(games[i].match->home), E(games[i].match->away), games[i].match->homeGoals,
                           games[i].match->awayGoals);
    return out + "</table>\n";
}

struct Standing {
    std::string team;
    int played = 0, won = 0, drawn = 0, lost = 0, goalsFor = 0, goalsAgainst = 0;
    int points() const { return 3 * won + drawn; }
};

// A league table of the teams that have met either team of the match (and their
// opponents), over all finished matches: 1 total, 2 home, 3 away, 4-6 the same
// over each team's latest six matches.
std::string LeagueTable(const Season& season, const Match& match, int kind, const PageWords& w) {
    std::set<std::string> teams{match.home, match.away};
    for (bool grew = true; grew;) {
        grew = false;
        for (const Round& r : season.rounds())
            for (const Match& m : r.matches)
                if (m.ended && (teams.count(m.home) || teams.count(m.away))) {
                    // Both names go in; either being new means another pass.
                    const bool newHome = teams.insert(m.home).second;
                    const bool newAway = teams.insert(m.away).second;
                    grew = grew || newHome || newAway;
                }
    }
    const bool home = kind == 2 || kind == 5, away = kind == 3 || kind == 6, form = kind >= 4;
    std::vector<Standing> table;
    for (const std::string& team : teams) {
        Standing s{team};
        for (const Played& p : GamesOf(season, team)) {
            const bool atHome = p.match->home == team;
            if ((home && !atHome) || (away && atHome)) continue;
            if (form && s.played == 6) break;
            const int gf = atHome ? p.match->homeGoals : p.match->awayGoals;
            const int ga = atHome ? p.match->awayGoals : p.match->homeGoals;
            ++s.played;
            s.goalsFor += gf;
            s.goalsAgainst += ga;
            (gf > ga ? s.won : gf == ga ? s.drawn : s.lost)++;
        }
        table.push_back(s);
    }
    std::sort(table.begin(), table.end(), [](const Standing& a, const Standing& b) {
        if (a.points() != b.points()) return a.points() > b.points();
        if (a.goalsFor - a.goalsAgainst != b.goalsFor - b.goalsAgainst)
            return a.goalsFor - a.goalsAgainst > b.goalsFor - b.goalsAgainst;
        return a.team < b.team;
    });
    std::string out = fmt::format("<table border=\"1\"><tr>{}</tr>\n", w.tableHead);
    for (size_t i = 0; i < table.size(); ++i) {
        const Standing& s = table[i];
        const bool mark = s.team == match.home || s.team == match.away;
        out += fmt::format(
            "<tr{}><td>{}</td><td>{}</td><td>{}</td><td>{}</td><td>{}</td><td>{}</td><td>{}-{}</td><td>{}</td></tr>\n",
            mark ? " style=\"font-weight:bold\"" : "", i + 1, E(s.team), s.played, s.won, s.drawn, s.lost, s.goalsFor,
            s.goalsAgainst, s.points());
    }
    return out + "</table>\n";
}

}  // namespace

std::string StatsPage(const Season& season, const std::string& view, const Round& round, int match,
                      std::string_view language) {
    if (match < 1 || match > static_cast<int>(round.matches.size())) return {};
    const Match& m = round.matches[match - 1];
    const PageWords& w = language.empty() || language == "sv" ? kSwedish : kEnglish;
    std::string title, body;
    if (view == "Chart") {
        title = w.chart;
        for (const std::string& team : {m.home, m.away}) {
            body += "<h2>" + E(team) + "</h2><p style=\"font-family:monospace;font-size:20px\">";
            const auto games = GamesOf(season, team);
            for (size_t i = 0; i < games.size() && i < 10; ++i) {
                const bool atHome = games[i].match->home == team;
                const int gf = atHome ? games[i].match->homeGoals : games[i].match->awayGoals;
                const int ga = atHome ? games[i].match->awayGoals : games[i].match->homeGoals;
                body += gf > ga    ? fmt::format("<span style=\"color:green\">{}</span> ", w.won)
                        : gf == ga ? fmt::format("<span style=\"color:gray\">{}</span> ", w.drawn)
                                   : fmt::format("<span style=\"color:red\">{}</span> ", w.lost);
            }
            body += games.empty() ? std::string(w.noGames) + "</p>\n" : "</p>\n";
        }
    } else if (view == "Games") {
        title = w.games;
        for (const std::string& team : {m.home, m.away})
            body += "<h2>" + E(team) + "</h2>\n" + GamesTable(GamesOf(season, team), 10, w);
    } else if (view == "Meetings") {
        title = w.meetings;
        std::vector<Played> meetings;
        for (const Played& p : GamesOf(season, m.home))
            if (p.match->home == m.away || p.match->away == m.away) meetings.push_back(p);
        body = meetings.empty() ? fmt::format("<p>{}</p>\n", w.notMet) : GamesTable(meetings, 20, w);
    } else if (view.size() == 7 && view.compare(0, 6, "Table/") == 0 && view[6] >= '1' && view[6] <= '6') {
        title = w.tables[view[6] - '1'];
        body = LeagueTable(season, m, view[6] - '0', w);
    } else {
        return {};
    }
    return HtmlHead(title) +
           fmt::format("<h1>{}</h1>\n<p>{} {} {} {}: {} &ndash; {}</p>\n", E(title), E(PoolName(round.typ)),
                       round.omgId, w.match, match, E(m.home), E(m.away)) +
           body + "</body></html>\n";
}

}  // namespace vinra::service
