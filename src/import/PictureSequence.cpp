// SPDX-License-Identifier: MIT
#include "import/PictureSequence.h"

#include "dialogs/PictureFiles.h"
#include "export/ExportError.h"
#include "forms/FileSystem.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <system_error>

namespace importer {

namespace {

namespace fs = std::filesystem;
using exporter::ExportError;

// A pattern split at its one conversion.
struct Pattern {
    std::string prefix;
    std::string suffix;
};

std::optional<Pattern> splitPattern(const std::string& name)
{
    Pattern pattern;
    bool converted = false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        std::string& part = converted ? pattern.suffix : pattern.prefix;
        if (name[i] != '%') {
            part.push_back(name[i]);
            continue;
        }
        if (i + 1 < name.size() && name[i + 1] == '%') {
            part.push_back('%');
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        while (j < name.size() && std::isdigit(static_cast<unsigned char>(name[j])) && j - i <= 2)
            ++j;
        if (converted || j >= name.size() || name[j] != 'd')
            return std::nullopt;
        converted = true;
        i = j;
    }
    if (!converted)
        return std::nullopt;
    return pattern;
}

bool allDigits(std::string_view text)
{
    return !text.empty()
        && std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; });
}

// The regular files of a folder, or an error naming it.
std::vector<fs::path> filesIn(const fs::path& folder)
{
    std::error_code error;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error);
    if (error)
        throw ExportError(ExportError::Kind::BadInput, "cannot read the folder " + folder.string() + ": " + error.message());
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : it) {
        if (entry.is_regular_file(error))
            files.push_back(entry.path());
    }
    return files;
}

}

bool PictureSequence::isPattern(const std::string& input)
{
    return splitPattern(fs::path(input).filename().string()).has_value();
}

std::vector<std::string> PictureSequence::list(const std::string& input)
{
    std::vector<std::string> names;
    fs::path folder;
    std::error_code error;
    if (fs::is_directory(input, error)) {
        folder = input;
        for (const fs::path& file : filesIn(folder)) {
            if (movelle::PictureFiles::isPictureName(file.filename().string()))
                names.push_back(file.filename().string());
        }
        std::sort(names.begin(), names.end(), forms::FileSystem::naturalLess);
    } else {
        folder = fs::path(input).parent_path();
        const std::optional<Pattern> pattern = splitPattern(fs::path(input).filename().string());
        if (!pattern)
            throw ExportError(ExportError::Kind::BadInput, input + " is no folder and no numbered pattern");
        for (const fs::path& file : filesIn(folder)) {
            const std::string name = file.filename().string();
            if (name.size() > pattern->prefix.size() + pattern->suffix.size() && name.starts_with(pattern->prefix)
                && name.ends_with(pattern->suffix)
                && allDigits(std::string_view(name).substr(pattern->prefix.size(),
                                                           name.size() - pattern->prefix.size() - pattern->suffix.size())))
                names.push_back(name);
        }
        // The names differ only in their number, so natural order is number order.
        std::sort(names.begin(), names.end(), forms::FileSystem::naturalLess);
    }
    if (names.empty())
        throw ExportError(ExportError::Kind::BadInput, "no pictures found in " + input);
    std::vector<std::string> paths;
    paths.reserve(names.size());
    const fs::path absolute = fs::absolute(folder.empty() ? fs::path(".") : folder, error).lexically_normal();
    for (const std::string& name : names)
        paths.push_back((absolute / name).string());
    return paths;
}

}
