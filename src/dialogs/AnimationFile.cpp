// SPDX-License-Identifier: MIT
#include "dialogs/AnimationFile.h"

#include "anifile/AniReader.h"
#include "dialogs/AnimationSettings.h"
#include "forms/Error.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace movelle {

namespace {

using forms::Error;
using forms::ErrorKind;

std::string readField(anifile::AniReader& reader)
{
    anifile::Result<std::string> field = reader.readField();
    if (!field)
        throw Error(ErrorKind::FileError, field.error().message());
    return std::move(field).value();
}

// The picture a frame line names. When that file is gone, the animation has probably been moved
// together with its pictures, so a picture of the same name beside the animation file is taken
// instead. Paths written on Windows separate with backslashes; their last part is tried too.
std::string locatePicture(const std::string& path, const std::filesystem::path& animationDirectory)
{
    std::error_code error;
    if (path.empty() || std::filesystem::exists(path, error))
        return path;
    std::vector<std::string> names;
    for (const char* separators : { "/", "/\\" }) {
        const std::size_t cut = path.find_last_of(separators);
        std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(std::move(name));
    }
    for (const std::string& name : names) {
        const std::filesystem::path candidate = animationDirectory / name;
        if (std::filesystem::is_regular_file(candidate, error))
            return candidate.string();
    }
    // Nothing better: the decoder will say that the original file is missing.
    return path;
}

}

std::string AnimationFile::framesPhrase(const std::vector<int>& indexes)
{
    std::vector<std::string> runs;
    for (std::size_t k = 0; k < indexes.size();) {
        std::size_t end = k;
        while (end + 1 < indexes.size() && indexes[end + 1] == indexes[end] + 1)
            ++end;
        std::string run = std::to_string(indexes[k] + 1);
        if (end > k)
            run += (end == k + 1 ? ", " : "-") + std::to_string(indexes[end] + 1);
        runs.push_back(run);
        k = end + 1;
    }
    std::string phrase = indexes.size() == 1 ? "Frame " : "Frames ";
    for (std::size_t r = 0; r < runs.size(); ++r) {
        if (r > 0)
            phrase += r + 1 == runs.size() ? " and " : ", ";
        phrase += runs[r];
    }
    return phrase;
}

AnimationFile AnimationFile::read(const std::string& path)
{
    anifile::Result<anifile::AniReader> opened = anifile::AniReader::open(path);
    if (!opened)
        throw Error(ErrorKind::FileError, opened.error().message());
    anifile::AniReader& reader = opened.value();

    AnimationFile animation;
    const std::string count = readField(reader);
    const std::string rate = readField(reader);

    // The same check as the Save dialog's, so that every file it writes opens.
    try {
        static_cast<AnimationSettings&>(animation) = AnimationSettings::check(count, rate);
    } catch (const Error& e) {
        throw Error(e.kind(), path + ": " + e.what());
    }

    const std::filesystem::path directory = std::filesystem::path(path).parent_path();
    // A line that is not UTF-8 names a file by its bytes when that file is found, where it was or
    // moved beside the animation, as the pictures are looked for below.
    reader.setFileExists([&directory](const std::string& raw) {
        std::error_code error;
        return std::filesystem::exists(raw, error) || locatePicture(raw, directory) != raw;
    });
    animation.paths.resize(static_cast<std::size_t>(animation.frames));
    for (auto& line : animation.paths) {
        if (reader.atEnd())
            break;
        line = locatePicture(readField(reader), directory);
    }
    return animation;
}

}
