#include "net/upload.h"

#include <cstdint>
#include <optional>

#include <nlohmann/json.hpp>

#include "core/messages.h"
#include "core/text.h"
#include "output/row_files.h"

namespace vinra::net {

namespace fs = std::filesystem;

std::string UploadAddress(std::string_view host, bool wholeFile) {
    while (!host.empty() && host.back() == '/') host.remove_suffix(1);
    return std::string(host) + kUploadPath + (wholeFile ? "1" : "0");
}

namespace {

// The file name as it may stand between the quotes of a part header.
std::string SafeHeaderFileName(std::string_view name) {
    std::string out;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\' || u < 0x20 || u == 0x7F) continue;
        out += c;
    }
    return out.empty() ? std::string("system.1x2") : out;
}

// A user name or key is one line: a line break in it could end its part.
std::string OneLine(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != '\r' && c != '\n') out += c;
    return out;
}

}  // namespace

TMsMultiPartFormDataStream UploadBody(const UploadAccount& account, const std::string& fileName,
                                      const std::string& bytes, std::string boundary) {
    TMsMultiPartFormDataStream body =
        boundary.empty() ? TMsMultiPartFormDataStream() : TMsMultiPartFormDataStream(std::move(boundary));
    body.AddFormField("_method", "POST");
    body.AddFormField("data[username]", OneLine(account.userName));
    // The stream writes plain fields only. A file part differs from one by the
    // file name in its disposition line and a content-type line, so it is
    // written here, after the key's value, with the stream's own boundary: the
    // bytes are those of a standard file part.
    std::string keyAndFile = OneLine(account.apiKey);
    keyAndFile += "\r\n--" + body.boundary() + "\r\n";
    keyAndFile +=
        "Content-Disposition: form-data; name=\"data[file]\"; filename=\"" + SafeHeaderFileName(fileName) + "\"\r\n";
    keyAndFile += "Content-Type: application/octet-stream\r\n\r\n";
    keyAndFile += bytes;
    body.AddFormField("data[apikey]", keyAndFile);
    body.Finish();
    return body;
}

HttpReply UploadSystem(std::string_view host, const UploadAccount& account, const fs::path& file, bool wholeFile) {
    const std::string bytes = core::ReadFileBytes(file);
    const TMsMultiPartFormDataStream body = UploadBody(account, file.filename().string(), bytes);
    return PostMultipart(UploadAddress(host, wholeFile), body);
}

std::string UnescapeSlashes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '/') {
            out += '/';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

namespace {

std::optional<nlohmann::json> ParseObject(std::string_view body) {
    auto j = nlohmann::json::parse(body, nullptr, false);
    if (!j.is_discarded() && j.is_object()) return j;
    // A notice printed before the object, or text after it.
    const size_t open = body.find('{');
    const size_t close = body.rfind('}');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return std::nullopt;
    j = nlohmann::json::parse(body.substr(open, close - open + 1), nullptr, false);
    if (!j.is_discarded() && j.is_object()) return j;
    return std::nullopt;
}

std::string StatusText(const nlohmann::json& j) {
    const auto it = j.find("status");
    if (it == j.end()) return {};
    if (it->is_string()) return std::string(core::Trim(it->get<std::string>()));
    if (it->is_number_integer()) return std::to_string(it->get<int64_t>());
    return {};
}

}  // namespace

UploadReply ParseUploadReply(std::string_view body, long httpStatus) {
    UploadReply reply;
    const std::optional<nlohmann::json> j = ParseObject(body);
    if (!j) {
        if (httpStatus != 200 && httpStatus != 401 && (httpStatus < 200 || httpStatus >= 300))
            reply.problem = core::FormatMsg(core::Msg(kMsgUploadHttpStatus), {static_cast<long long>(httpStatus)});
        else if (core::Trim(body).empty()) reply.problem = core::Msg(kMsgUploadEmpty);
        else reply.problem = core::Msg(kMsgUploadNotJson);
        return reply;
    }
    const std::string status = StatusText(*j);
    if (status == "404") {
        reply.kind = UploadReplyKind::WrongKey;
        return reply;
    }
    if (status != "200") {
        reply.problem =
            status.empty() ? core::Msg(kMsgUploadNoStatus) : core::FormatMsg(core::Msg(kMsgUploadStatus), {status});
        return reply;
    }
    const auto link = j->find("link");
    if (link == j->end() || !link->is_string() || !output::IsCompleteHttpUrl(link->get<std::string>())) {
        reply.problem = core::Msg(kMsgUploadNoLink);
        return reply;
    }
    reply.kind = UploadReplyKind::Uploaded;
    reply.link = link->get<std::string>();
    return reply;
}

std::string ApplyUploadReply(core::TVinraFile& doc, const std::string& fileName, const UploadReply& reply,
                             bool& changed) {
    switch (reply.kind) {
        case UploadReplyKind::Uploaded:
            doc.SalvikLink = reply.link;
            doc.Comment += "\r\n" + reply.link;
            changed = true;
            return core::FormatMsg(core::Msg(kMsgUploadDone), {fileName});
        case UploadReplyKind::WrongKey: return core::Msg(kMsgUploadWrongKey);
        case UploadReplyKind::Unreadable: break;
    }
    return core::FormatMsg(core::Msg(kMsgUploadFailed), {fileName, reply.problem});
}

UploadPlan PlanUpload(const core::TVinraFile& doc, const fs::path& systemFile, const core::DisplaySigns& signs) {
    UploadPlan plan;
    if (doc.Rader.size() > kUploadWholeFileMaxRows) {
        plan.wholeFile = false;
        plan.files = doc.SplitRowsToFiles(systemFile, signs);
    } else {
        plan.files.push_back(systemFile);
    }
    return plan;
}

UploadResult RunUpload(core::TVinraFile& doc, const UploadPlan& plan, std::string_view host,
                       const UploadAccount& account, const UploadHooks& hooks) {
    UploadResult result;
    auto add = [&result](const std::string& message) {
        if (!result.message.empty()) result.message += '\r';
        result.message += message;
    };
    for (const fs::path& file : plan.files) {
        if (hooks.uploading) hooks.uploading(file);
        HttpReply reply;
        try {
            reply = UploadSystem(host, account, file, plan.wholeFile);
        } catch (const std::exception& e) {
            if (hooks.done) hooks.done();
            result.error = e.what();
            return result;
        }
        if (hooks.done) hooks.done();
        if (reply.status == 401 && hooks.authorisationRequired) hooks.authorisationRequired();
        add(ApplyUploadReply(doc, file.filename().string(), ParseUploadReply(reply.body, reply.status),
                             result.changed));
    }
    return result;
}

namespace {

// The next code point of UTF-8 text; a byte that starts no valid sequence is
// taken as a Windows-1252 character.
char32_t NextCodePoint(std::string_view s, size_t& i) {
    char32_t cp = 0;
    if (const size_t len = core::DecodeUtf8(s, i, cp)) {
        i += len;
        return cp;
    }
    const std::string utf8 = core::Cp1252ToUtf8(s.substr(i++, 1));
    core::DecodeUtf8(utf8, 0, cp);
    return cp;
}

}  // namespace

std::string EncodeEntities(std::string_view text) {
    // One pass gives what the four replacements in turn would: no entity is
    // produced twice because nothing already written is looked at again.
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const char32_t cp = NextCodePoint(text, i);
        switch (cp) {
            case U'&': out += "&amp;"; continue;
            case U'>': out += "&gt;"; continue;
            case U'<': out += "&lt;"; continue;
            case U'/': out += "&#47;"; continue;
            default: break;
        }
        if (cp >= 161 && cp <= 255 && cp != 173) out += "&#" + std::to_string(static_cast<uint32_t>(cp)) + ";";
        else core::AppendUtf8(out, cp);
    }
    return out;
}

}  // namespace vinra::net
