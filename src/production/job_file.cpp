// SPDX-License-Identifier: GPL-3.0-or-later
#include "production/job_file.h"

#include <toml++/toml.h>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "base/digits.h"
#include "base/shown_text.h"
#include "base/utf8_file.h"
#include "base/utf8_path.h"
#include "catalogue/lookup.h"
#include "image/image_format.h"
#include "image/image_pipeline.h"
#include "image/sha_digest.h"
#include "operations/image_file.h"
#include "production/database_stores.h"
#include "startup/operation_table.h"

namespace dspprog {
namespace {

namespace fs = std::filesystem;

// A job is a few hundred bytes; anything much larger is no job.
constexpr std::size_t kMaxJobBytes = 1u << 20;

// -------- paths --------

fs::path FolderOf(const std::string& job) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(PathFromUtf8(job), ec);
    return ec ? fs::path() : absolute.parent_path();
}

std::string GenericUtf8(const fs::path& path) {
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
}

// `name` as the job writes it: from the job's folder, with '/' between the
// parts, both sides with their symbolic links resolved; an absolute name
// where there is no way from one to the other (another drive).
std::string RelativeName(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    const fs::path real = fs::weakly_canonical(fs::absolute(PathFromUtf8(name)), ec);
    const fs::path base = fs::weakly_canonical(folder, ec);
    const fs::path relative = real.lexically_relative(base);
    return GenericUtf8(relative.empty() ? real : relative);
}

// A name the job gives, as the run uses it: from the job's folder, never
// from the current directory.
std::string ResolvedName(const fs::path& folder, const std::string& name) {
    const fs::path path = PathFromUtf8(name);
    return Utf8FromPath(path.is_absolute() ? path : (folder / path).lexically_normal());
}

// -------- writing --------

std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            (quoted += '\\') += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(byte));
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

std::string Hex(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

std::string HexDigest(const std::array<std::uint8_t, 32>& digest) {
    std::string text;
    char pair[3];
    for (const std::uint8_t byte : digest) {
        std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned>(byte));
        text += pair;
    }
    return text;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Bool(bool value) {
    return value ? "true" : "false";
}

// The SHA-256 of the file `name` as it can be used for an image; nothing,
// with `error` set, when it cannot be read.
std::optional<std::string> FileDigest(const std::string& name, std::string& error) {
    if (CheckImageFile(name) == ImageFileAccess::Readable) {
        if (const std::optional<std::string> bytes = ReadImageFile(name)) {
            const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
            return HexDigest(Sha256Digest({data, bytes->size()}));
        }
    }
    error = "Файл \"" + ShownText(name) + "\" не удаётся прочитать: задание не сохранено";
    return std::nullopt;
}

// A database's address goes into the job as it stands (it names a server, not
// a file beside the job), so one with a password is never written down.
bool DatabaseAddressSavable(const std::string& url, std::string& error) {
    if (const std::optional<DatabaseRefusal> bad = CheckDatabaseAddress(url)) {
        error = bad->text + "; задание не сохранено";
        return false;
    }
    return true;
}

bool JobText(const RunPlan& plan, const ChipRecord& chip, const fs::path& folder, std::string& text,
             std::string& error) {
    const std::string command = plan.operation->command;
    text = "# A dspprog job (docs/job.md): dspprog-cli run FILE, or \"Задание…\" in the window.\n";
    text += "format = " + std::to_string(kJobFormat) + "\n";
    text += "operation = " + Quoted(command) + "\n";
    if (command == "read" || command == "verify") text += "sums = " + Bool(plan.sums) + "\n";
    if (command == "read" && plan.passes > 1) text += "passes = " + std::to_string(plan.passes) + "\n";
    text += "\n[chip]\ncode = " + Quoted(ChipKey(chip.ManufCode, chip.DevCode)) + "\n";
    text += "name = " + Quoted(chip.Name) + "\n";

    if (plan.operation->takes_image && plan.image) {
        text += "\n[image]\n";
        if (plan.image_format)
            text += "form = " + Quoted(ImageFormatName(*plan.image_format)) + "\n";
        text += "offset = " + Hex(plan.offset) + "\n";
        text += "pad = " + Bool(plan.pad) + "\n";
        text += "fill = " + Hex(plan.layout.fill) + "\n";
        text += "swap = " + Bool(plan.layout.swap) + "\n";
        if (plan.layout.lane.count > 1)
            text += "split = \"" + std::to_string(plan.layout.lane.count) + ":" +
                    std::to_string(plan.layout.lane.index) + "\"\n";
        if (command == "write") text += "erase = " + Bool(plan.erase_first) + "\n";
        std::vector<PlacedName> files = {{*plan.image, plan.layout.first_at}};
        files.insert(files.end(), plan.layout.more.begin(), plan.layout.more.end());
        for (const PlacedName& file : files) {
            const std::optional<std::string> digest = FileDigest(file.name, error);
            if (!digest) return false;
            text += "\n[[image.file]]\npath = " + Quoted(RelativeName(folder, file.name)) + "\n";
            if (file.at) text += "at = " + Hex(*file.at) + "\n";
            text += "sha256 = " + Quoted(*digest) + "\n";
        }
    }
    if (command == "read" && plan.save_read && plan.output) {
        text += "\n[output]\npath = " + Quoted(RelativeName(folder, *plan.output)) + "\n";
        if (plan.output_format)
            text += "form = " + Quoted(ImageFormatName(*plan.output_format)) + "\n";
    }
    if (const auto& serial = plan.serial) {
        text += "\n[serial]\naddress = " + Hex(serial->address) + "\n";
        text += "start = " + std::to_string(serial->start) + "\n";
        text += "step = " + std::to_string(serial->step) + "\n";
        text += "bytes = " + std::to_string(serial->bytes) + "\n";
        text += "form = " + Quoted(SerialFormName(serial->form)) + "\n";
        if (plan.serial_file)
            text += "file = " + Quoted(RelativeName(folder, *plan.serial_file)) + "\n";
        if (plan.serial_db) {
            if (!DatabaseAddressSavable(*plan.serial_db, error)) return false;
            text += "database = " + Quoted(*plan.serial_db) + "\n";
        }
        if (plan.serial_series) text += "series = " + Quoted(*plan.serial_series) + "\n";
    }
    if (plan.repeat || plan.auto_next || plan.log) {
        text += "\n[series]\nrepeat = " + Bool(plan.repeat) + "\n";
        if (plan.repeat_count) text += "count = " + std::to_string(*plan.repeat_count) + "\n";
        text += "auto_next = " + Bool(plan.auto_next) + "\n";
        if (plan.log && IsDatabaseUrl(*plan.log)) {
            if (!DatabaseAddressSavable(*plan.log, error)) return false;
            text += "log = " + Quoted(*plan.log) + "\n";
        } else if (plan.log) {
            text += "log = " + Quoted(RelativeName(folder, *plan.log)) + "\n";
        }
    }
    return true;
}

// -------- reading --------

// The operations a key belongs to.
enum : unsigned { kWrite = 1, kVerify = 2, kRead = 4, kErase = 8, kAny = 15 };

unsigned OperationBit(const std::string& command) {
    if (command == "write") return kWrite;
    if (command == "verify") return kVerify;
    if (command == "read") return kRead;
    if (command == "erase") return kErase;
    return 0;
}

struct KeyRule {
    std::string_view key;  // dotted, from the top; "image.file" holds tables
    toml::node_type type;
    unsigned operations;
    const char* type_text;  // what a value of that type is, in the refusal
};

constexpr const char* kInteger = "целым числом";
constexpr const char* kText = "строкой в кавычках";
constexpr const char* kBoolean = "true или false";
constexpr const char* kTable = "таблицей [...]";
constexpr const char* kTables = "списком таблиц [[...]]";

using T = toml::node_type;
constexpr KeyRule kRules[] = {
    {"format", T::integer, kAny, kInteger},
    {"operation", T::string, kAny, kText},
    {"sums", T::boolean, kRead | kVerify, kBoolean},
    {"passes", T::integer, kRead, kInteger},
    {"chip", T::table, kAny, kTable},
    {"chip.code", T::string, kAny, kText},
    {"chip.name", T::string, kAny, kText},
    {"image", T::table, kWrite | kVerify, kTable},
    {"image.form", T::string, kWrite | kVerify, kText},
    {"image.offset", T::integer, kWrite | kVerify, kInteger},
    {"image.pad", T::boolean, kWrite | kVerify, kBoolean},
    {"image.fill", T::integer, kWrite | kVerify, kInteger},
    {"image.swap", T::boolean, kWrite | kVerify, kBoolean},
    {"image.split", T::string, kWrite | kVerify, kText},
    {"image.erase", T::boolean, kWrite, kBoolean},
    {"image.file", T::array, kWrite | kVerify, kTables},
    {"image.file.path", T::string, kWrite | kVerify, kText},
    {"image.file.at", T::integer, kWrite | kVerify, kInteger},
    {"image.file.sha256", T::string, kWrite | kVerify, kText},
    {"output", T::table, kRead, kTable},
    {"output.path", T::string, kRead, kText},
    {"output.form", T::string, kRead, kText},
    {"serial", T::table, kWrite, kTable},
    {"serial.address", T::integer, kWrite, kInteger},
    {"serial.start", T::integer, kWrite, kInteger},
    {"serial.step", T::integer, kWrite, kInteger},
    {"serial.bytes", T::integer, kWrite, kInteger},
    {"serial.form", T::string, kWrite, kText},
    {"serial.file", T::string, kWrite, kText},
    {"serial.database", T::string, kWrite, kText},
    {"serial.series", T::string, kWrite, kText},
    {"series", T::table, kAny, kTable},
    {"series.repeat", T::boolean, kAny, kBoolean},
    {"series.count", T::integer, kAny, kInteger},
    {"series.auto_next", T::boolean, kAny, kBoolean},
    {"series.log", T::string, kAny, kText},
};

const KeyRule* RuleOf(std::string_view key) {
    for (const KeyRule& rule : kRules)
        if (rule.key == key) return &rule;
    return nullptr;
}

// Reads one job; every refusal names the job and, where there is one, the line.
class JobReader {
public:
    JobReader(std::string path, std::string& error) : path_(std::move(path)), error_(error) {}

    bool Refuse(std::uint32_t line, const std::string& reason) {
        error_ = "Задание \"" + ShownText(path_) + "\"";
        if (line != 0) error_ += ", строка " + std::to_string(line);
        error_ += ": " + reason;
        return false;
    }
    bool Refuse(const toml::node& node, const std::string& reason) {
        return Refuse(node.source().begin.line, reason);
    }

    // Every key known, of its type, and of the job's operation.
    bool CheckKeys(const toml::table& table, const std::string& prefix, unsigned operation) {
        for (auto&& [key, node] : table) {
            const std::string dotted = prefix + std::string(key.str());
            const KeyRule* rule = RuleOf(dotted);
            const std::uint32_t line = key.source().begin.line;
            if (rule == nullptr)
                return Refuse(line != 0 ? line : node.source().begin.line,
                              "неизвестный ключ \"" + ShownText(dotted) + "\"");
            if (node.type() != rule->type)
                return Refuse(node, "ключ \"" + dotted + "\" должен быть " + rule->type_text);
            if ((rule->operations & operation) == 0)
                return Refuse(line != 0 ? line : node.source().begin.line,
                              "ключ \"" + dotted + "\" не относится к операции " + operation_);
            if (const toml::table* inner = node.as_table()) {
                if (!CheckKeys(*inner, dotted + ".", operation)) return false;
            } else if (const toml::array* list = node.as_array()) {
                for (const toml::node& item : *list) {
                    if (!item.is_table())
                        return Refuse(item, "ключ \"" + dotted + "\" должен быть " + kTables);
                    if (!CheckKeys(*item.as_table(), dotted + ".", operation)) return false;
                }
            }
        }
        return true;
    }

    // An integer from `low` to `high`; the key is of the right type already.
    bool Integer(const toml::node* node, const std::string& key, std::int64_t low,
                 std::int64_t high, std::uint64_t& out) {
        const std::int64_t value = node->value<std::int64_t>().value_or(0);
        if (value < low || value > high)
            return Refuse(*node, "значение ключа \"" + key + "\" должно быть от " +
                                     std::to_string(low) + " до " + std::to_string(high));
        out = static_cast<std::uint64_t>(value);
        return true;
    }

    bool Form(const toml::node* node, const std::string& key, std::optional<ImageFormat>& out) {
        if (node == nullptr) return true;
        const std::string name = node->value<std::string>().value_or("");
        out = ImageFormatFromName(name);
        if (out) return true;
        return Refuse(*node, "ключ \"" + key + "\": неизвестная форма \"" + ShownText(name) + "\"");
    }

    std::string operation_;

private:
    std::string path_;
    std::string& error_;
};

std::string Text(const toml::node* node) {
    return node ? node->value<std::string>().value_or("") : std::string();
}

bool Flag(const toml::node* node, bool otherwise) {
    return node ? node->value<bool>().value_or(otherwise) : otherwise;
}

// The job's files, read once when it was loaded.
using Pinned = std::map<std::string, std::string>;

// The job's image files: each read once, its SHA-256 compared with the
// job's, and its bytes kept for the run, which reads nothing else.
bool ReadFiles(JobReader& reader, const toml::array& files, const fs::path& folder, RunPlan& plan) {
    std::uint64_t number = 0;
    auto pinned = std::make_shared<Pinned>();
    std::vector<PlacedName> names;
    for (const toml::node& item : files) {
        const toml::table& entry = *item.as_table();
        const std::uint32_t line = item.source().begin.line;
        const toml::node* name = entry.get("path");
        const toml::node* sha = entry.get("sha256");
        if (name == nullptr || sha == nullptr)
            return reader.Refuse(line, "у файла нужны ключи \"path\" и \"sha256\"");
        PlacedName placed{ResolvedName(folder, Text(name)), std::nullopt};
        if (const toml::node* at = entry.get("at")) {
            if (!reader.Integer(at, "image.file.at", 0, 0xFFFFFFFF, number)) return false;
            placed.at = static_cast<std::uint32_t>(number);
        }
        const std::string shown = ShownText(Text(name));
        switch (CheckImageFile(placed.name)) {
            case ImageFileAccess::Readable:
                break;
            case ImageFileAccess::Missing:
                return reader.Refuse(*name, "файл \"" + shown + "\" не найден");
            default:
                return reader.Refuse(*name, "файл \"" + shown + "\" не удаётся прочитать");
        }
        // Read once: what is checked here is what the run sends.
        const std::optional<std::string> bytes = ReadImageFile(placed.name);
        if (!bytes) return reader.Refuse(*name, "файл \"" + shown + "\" не удаётся прочитать");
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes->data());
        const std::string actual = HexDigest(Sha256Digest({data, bytes->size()}));
        if (actual != Lower(Text(sha)))
            return reader.Refuse(*sha, "файл \"" + shown + "\" не тот, что в задании: SHA-256 " +
                                           actual + ", в задании " + ShownText(Text(sha)));
        (*pinned)[placed.name] = *bytes;
        names.push_back(std::move(placed));
    }
    plan.image = names.front().name;
    plan.layout.first_at = names.front().at;
    plan.layout.more.assign(names.begin() + 1, names.end());
    plan.read_image = [pinned](const std::string& name) -> std::optional<std::string> {
        const auto found = pinned->find(name);
        if (found == pinned->end()) return std::nullopt;
        return found->second;
    };
    return true;
}

bool ReadSerial(JobReader& reader, const toml::table& serial, const fs::path& folder,
                RunPlan& plan) {
    SerialNumbering numbering;
    const toml::node* form = serial.get("form");
    struct Number {
        const char* key;
        std::int64_t low, high;
        bool required;
    };
    std::uint64_t values[4] = {0, 0, 1, 4};
    const Number numbers[4] = {{"address", 0, 0xFFFFFFFF, true},
                               {"start", 0, INT64_MAX, true},
                               {"step", 0, INT64_MAX, false},
                               {"bytes", 1, 8, false}};
    for (int i = 0; i < 4; ++i) {
        const toml::node* node = serial.get(numbers[i].key);
        const std::string key = std::string("serial.") + numbers[i].key;
        if (node == nullptr && numbers[i].required)
            return reader.Refuse(serial.source().begin.line, "нет ключа \"" + key + "\"");
        if (node != nullptr &&
            !reader.Integer(node, key, numbers[i].low, numbers[i].high, values[i]))
            return false;
    }
    numbering.address = static_cast<std::uint32_t>(values[0]);
    numbering.start = values[1];
    numbering.step = values[2];
    numbering.bytes = static_cast<std::uint32_t>(values[3]);
    if (form != nullptr) {
        const std::optional<SerialForm> named = SerialFormNamed(Text(form));
        if (!named)
            return reader.Refuse(*form,
                                 "ключ \"serial.form\" должен быть le, be, bcd-le, "
                                 "bcd-be или ascii");
        numbering.form = *named;
    }
    plan.serial = numbering;
    if (const toml::node* name = serial.get("file"))
        plan.serial_file = ResolvedName(folder, Text(name));
    if (const toml::node* url = serial.get("database")) {
        if (plan.serial_file)
            return reader.Refuse(*url, "ключи \"serial.file\" и \"serial.database\" оба хранят "
                                       "номера: нужен один из них");
        if (const std::optional<DatabaseRefusal> bad = CheckDatabaseAddress(Text(url)))
            return reader.Refuse(*url, bad->text);
        plan.serial_db = Text(url);
    }
    if (const toml::node* name = serial.get("series")) plan.serial_series = Text(name);
    return true;
}

}  // namespace

bool JobOperation(const std::string& command) {
    return OperationBit(command) != 0;
}

bool SaveJob(const RunPlan& plan, const ChipRecord& chip, const std::string& path,
             std::string& error) {
    std::string text;
    if (!JobText(plan, chip, FolderOf(path), text, error)) return false;
    const int fd = CreateExclusive(path);
    if (fd < 0) {
        error = errno == EEXIST ? "Файл задания \"" + ShownText(path) +
                                      "\" уже есть; задание не заменяет файлов"
                                : "Файл задания \"" + ShownText(path) + "\" не удаётся создать";
        return false;
    }
    std::FILE* file = StreamOverDescriptor(fd, "wb");
    const bool written = file != nullptr &&
                         std::fwrite(text.data(), 1, text.size(), file) == text.size() &&
                         FlushToDisk(file);
    const bool closed = file != nullptr && std::fclose(file) == 0;
    if (written && closed) return true;
    // The file is the one just created here: nothing of anybody's is lost.
    RemoveFile(path);
    error = "Файл задания \"" + ShownText(path) + "\" не удаётся записать";
    return false;
}

bool LoadJob(const std::string& path, Job& job, std::string& error) {
    JobReader reader(path, error);
    std::string content;
    std::FILE* file = OpenForReading(path);
    const bool read = file != nullptr && ReadUpTo(file, content, kMaxJobBytes);
    if (file != nullptr) std::fclose(file);
    if (!read || !LookUpFile(path).ordinary)
        return reader.Refuse(
            0, LookUpFile(path).found ? "файл не удаётся прочитать" : "файл не найден");
    if (content.size() > kMaxJobBytes) return reader.Refuse(0, "файл слишком велик для задания");

    toml::table root;
    try {
        root = toml::parse(content, path);
    } catch (const toml::parse_error& failure) {
        return reader.Refuse(failure.source().begin.line,
                             "это не TOML: " + std::string(failure.description()));
    }

    // The format first: a newer job may hold keys this program does not know.
    const toml::node* format = root.get("format");
    if (format == nullptr) return reader.Refuse(0, "нет ключа \"format\"");
    if (!format->is_integer())
        return reader.Refuse(*format, "ключ \"format\" должен быть " + std::string(kInteger));
    const std::int64_t version = format->value<std::int64_t>().value_or(0);
    if (version > kJobFormat)
        return reader.Refuse(*format, "задание формата " + std::to_string(version) +
                                          " новее этой версии dspprog (она читает формат до " +
                                          std::to_string(kJobFormat) +
                                          "); обновите dspprog, чтобы выполнить его");
    if (version < 1)
        return reader.Refuse(*format,
                             "формат задания должен быть от 1 до " + std::to_string(kJobFormat));

    const toml::node* operation = root.get("operation");
    if (operation == nullptr) return reader.Refuse(0, "нет ключа \"operation\"");
    reader.operation_ = Text(operation);
    const unsigned bit = OperationBit(reader.operation_);
    if (!operation->is_string() || bit == 0)
        return reader.Refuse(*operation,
                             "ключ \"operation\" должен быть \"write\", \"verify\", \"read\" или "
                             "\"erase\"");
    if (!reader.CheckKeys(root, "", bit)) return false;

    RunPlan& plan = job.plan;
    plan = {};
    plan.operation = OperationNamed(reader.operation_);
    job.name = Utf8FromPath(PathFromUtf8(path).filename());
    const fs::path folder = FolderOf(path);
    plan.sums = Flag(root.get("sums"), false);
    std::uint64_t number = 0;
    if (const toml::node* node = root.get("passes")) {
        if (!reader.Integer(node, "passes", 1, kMostReadPasses, number)) return false;
        plan.passes = static_cast<std::uint32_t>(number);
    }

    const toml::table* chip = root["chip"].as_table();
    const toml::node* code = chip ? chip->get("code") : nullptr;
    if (code == nullptr)
        return reader.Refuse(0, "нет ключа \"chip.code\": для какого чипа задание");
    const std::string code_text = Text(code);
    const std::optional<std::uint64_t> code_value =
        code_text.size() == 4 ? ParseDigits(code_text, 16, 0xFFFF) : std::nullopt;
    if (!code_value)
        return reader.Refuse(*code,
                             "ключ \"chip.code\" должен быть четырьмя шестнадцатеричными "
                             "цифрами, как 0120");
    ChipRecord expected;
    expected.ManufCode = static_cast<std::uint8_t>(*code_value >> 8);
    expected.DevCode = static_cast<std::uint8_t>(*code_value & 0xFF);
    expected.Name = Text(chip->get("name"));
    plan.expected_chip = expected;
    plan.expected_where =
        "Задание \"" + ShownText(path) + "\", строка " + std::to_string(code->source().begin.line);

    if (const toml::table* image = root["image"].as_table()) {
        if (!reader.Form(image->get("form"), "image.form", plan.image_format)) return false;
        if (const toml::node* node = image->get("offset")) {
            if (!reader.Integer(node, "image.offset", 0, 0xFFFFFFFF, number)) return false;
            plan.offset = static_cast<std::uint32_t>(number);
        }
        if (const toml::node* node = image->get("fill")) {
            if (!reader.Integer(node, "image.fill", 0, 0xFF, number)) return false;
            plan.layout.fill = static_cast<std::uint8_t>(number);
        }
        if (const toml::node* node = image->get("split")) {
            const std::optional<ByteLane> lane = ParseByteLane(Text(node));
            if (!lane)
                return reader.Refuse(*node,
                                     "ключ \"image.split\" должен быть K:N, K 2 или 4, "
                                     "N от 0 до K-1");
            plan.layout.lane = *lane;
        }
        plan.pad = Flag(image->get("pad"), false);
        plan.layout.swap = Flag(image->get("swap"), false);
        plan.erase_first = Flag(image->get("erase"), true);
    }
    if (plan.operation->takes_image) {
        const toml::array* files = root.at_path("image.file").as_array();
        if (files == nullptr || files->empty())
            return reader.Refuse(0, "нет ни одной таблицы [[image.file]]: что записывать");
        if (!ReadFiles(reader, *files, folder, plan)) return false;
    }
    if (const toml::table* output = root["output"].as_table()) {
        if (const toml::node* name = output->get("path")) {
            plan.save_read = true;
            plan.output = ResolvedName(folder, Text(name));
        }
        if (!reader.Form(output->get("form"), "output.form", plan.output_format)) return false;
    }
    if (const toml::table* serial = root["serial"].as_table()) {
        if (!ReadSerial(reader, *serial, folder, plan)) return false;
    }
    if (const toml::table* series = root["series"].as_table()) {
        plan.repeat = Flag(series->get("repeat"), false);
        plan.auto_next = Flag(series->get("auto_next"), false);
        if (const toml::node* node = series->get("count")) {
            if (!reader.Integer(node, "series.count", 1, 0xFFFFFFFF, number)) return false;
            plan.repeat_count = static_cast<std::uint32_t>(number);
            plan.repeat = true;
        }
        if (const toml::node* name = series->get("log")) {
            if (!IsDatabaseUrl(Text(name))) {
                plan.log = ResolvedName(folder, Text(name));
            } else if (const std::optional<DatabaseRefusal> bad = CheckDatabaseAddress(Text(name))) {
                return reader.Refuse(*name, bad->text);
            } else {
                plan.log = Text(name);
            }
        }
        // As on the command line: going on by itself, a series ends only at its count.
        if (plan.repeat && plan.auto_next && !plan.repeat_count)
            return reader.Refuse(series->source().begin.line,
                                 "с auto_next и repeat нужен ключ \"series.count\"");
    }
    return true;
}

bool CheckExpectedChip(const RunPlan& plan, const ChipRecord& identified, std::string& reason) {
    const ChipRecord& expected = *plan.expected_chip;
    if (identified.ManufCode == expected.ManufCode && identified.DevCode == expected.DevCode)
        return true;
    reason = "  " + plan.expected_where + ": задание для чипа \"" + ShownText(expected.Name) +
             "\" (" + ChipKey(expected.ManufCode, expected.DevCode) + "), а в колодке \"" +
             ShownText(identified.Name) + "\" (" +
             ChipKey(identified.ManufCode, identified.DevCode) + "); чип не тронут";
    return false;
}

}  // namespace dspprog
