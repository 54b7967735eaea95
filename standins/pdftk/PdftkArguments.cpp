#include "PdftkArguments.h"

#include <cctype>
#include <cstring>

namespace pdftk_standin {

namespace {

// Words that end the list of input files.
const char* const kKeywords[] = {
    "input_pw", "cat", "shuffle", "burst", "rotate", "generate_fdf", "fill_form", "background",
    "multibackground", "stamp", "multistamp", "dump_data", "dump_data_utf8", "dump_data_fields",
    "dump_data_fields_utf8", "dump_data_annots", "update_info", "update_info_utf8", "attach_files",
    "unpack_files", "output", "encrypt_40bit", "encrypt_128bit", "encrypt_aes128", "allow", "owner_pw",
    "user_pw", "flatten", "need_appearances", "compress", "uncompress", "keep_first_id", "keep_final_id",
    "drop_xfa", "drop_xmp", "verbose", "dont_ask", "do_ask",
};

// Operations (and "output") whose next argument is a file.
const char* const kTakesFile[] = {
    "output", "background", "multibackground", "stamp", "multistamp", "fill_form", "update_info", "update_info_utf8",
};

bool isOneOf(const std::string& word, const char* const* list, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (word == list[i]) return true;
    }
    return false;
}

bool isKeyword(const std::string& word) {
    return isOneOf(word, kKeywords, sizeof kKeywords / sizeof kKeywords[0]);
}

bool isFileName(const std::string& text) { return !text.empty() && text != "-" && text != "PROMPT"; }

// Splits "A=name" into handle and name; a handle is one or more upper-case
// letters.
void splitHandle(const std::string& argument, std::string& prefix, std::string& path) {
    size_t letters = 0;
    while (letters < argument.size() && std::isupper(static_cast<unsigned char>(argument[letters]))) ++letters;
    if (letters > 0 && letters < argument.size() && argument[letters] == '=') {
        prefix = argument.substr(0, letters + 1);
        path = argument.substr(letters + 1);
    } else {
        prefix.clear();
        path = argument;
    }
}

}  // namespace

std::vector<FileArgument> findFileArguments(const std::vector<std::string>& arguments) {
    std::vector<FileArgument> files;
    size_t i = 0;
    for (; i < arguments.size() && !isKeyword(arguments[i]); ++i) {
        FileArgument file;
        file.index = i;
        splitHandle(arguments[i], file.prefix, file.path);
        if (isFileName(file.path)) files.push_back(file);
    }
    for (; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (!isOneOf(word, kTakesFile, sizeof kTakesFile / sizeof kTakesFile[0])) continue;
        if (i + 1 >= arguments.size() || !isFileName(arguments[i + 1])) continue;
        FileArgument file;
        file.index = ++i;
        file.path = arguments[i];
        file.output = word == "output";
        files.push_back(file);
    }
    return files;
}

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    quoted += '\'';
    return quoted;
}

std::string buildScript(const std::string& program, const std::vector<std::string>& arguments,
                        const std::string& statusFile, const std::string& outputFile) {
    std::string script = shellQuote(program);
    for (const std::string& argument : arguments) {
        script += ' ';
        script += shellQuote(argument);
    }
    if (!outputFile.empty()) script += " > " + shellQuote(outputFile) + " 2>&1";
    script += "\necho $? > " + shellQuote(statusFile + ".tmp") + "\n";
    script += "mv " + shellQuote(statusFile + ".tmp") + " " + shellQuote(statusFile) + "\n";
    return script;
}

int parseStatus(const std::string& text) {
    size_t end = text.find_last_not_of(" \t\r\n");
    if (end == std::string::npos) return -1;
    int status = 0;
    for (size_t i = 0; i <= end; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return -1;
        status = status * 10 + (text[i] - '0');
        if (status > 255) return -1;
    }
    return status;
}

}  // namespace pdftk_standin
