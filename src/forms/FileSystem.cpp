// SPDX-License-Identifier: MIT
#include "forms/FileSystem.h"

#include "forms/Error.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace forms {

namespace {

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool wildcardMatch(std::string_view name, std::string_view pattern)
{
    // Iterative matcher with one backtrack point: linear in practice, never exponential.
    std::size_t n = 0, p = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool lessIgnoringCase(const std::string& a, const std::string& b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return lower(x) < lower(y); });
}

void addMountPoints(std::vector<std::string>& drives, const fs::path& base, int depth)
{
    std::error_code ec;
    for (fs::directory_iterator it(base, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_directory(ec))
            continue;
        if (depth > 1)
            addMountPoints(drives, it->path(), depth - 1);
        else
            drives.push_back(it->path().string());
    }
}

}

std::vector<std::string> FileSystem::drives() const
{
    std::vector<std::string> result { root() };
    std::vector<std::string> mounted;
    addMountPoints(mounted, "/media", 2);     // /media/<user>/<volume>
    addMountPoints(mounted, "/run/media", 2);
    addMountPoints(mounted, "/mnt", 1);
    std::sort(mounted.begin(), mounted.end());
    result.insert(result.end(), mounted.begin(), mounted.end());
    return result;
}

std::string FileSystem::homeDirectory() const
{
    const char* home = std::getenv("HOME");
    std::error_code ec;
    if (home && *home && fs::is_directory(home, ec))
        return normalize(home);
    return root();
}

std::vector<std::string> FileSystem::directories(const std::string& path) const
{
    std::vector<std::string> result;
    std::error_code ec;
    fs::directory_iterator it(path, ec);
    if (ec)
        throw Error(ErrorKind::DriveNotReady, "cannot open the directory " + path + ": " + ec.message());
    for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.')
            continue;
        std::error_code typeError;
        if (it->is_directory(typeError))
            result.push_back(name);
    }
    std::sort(result.begin(), result.end(), lessIgnoringCase);
    return result;
}

std::vector<std::string> FileSystem::files(const std::string& path, const std::string& patterns) const
{
    std::vector<std::string> result;
    std::error_code ec;
    fs::directory_iterator it(path, ec);
    if (ec)
        return result;
    for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code typeError;
        if (!it->is_regular_file(typeError) || name.empty() || name[0] == '.')
            continue;
        if (matches(name, patterns))
            result.push_back(name);
    }
    std::sort(result.begin(), result.end(), lessIgnoringCase);
    return result;
}

std::string FileSystem::lowerExtension(const std::string& name)
{
    std::string extension = std::filesystem::path(name).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

bool FileSystem::naturalLess(std::string_view a, std::string_view b)
{
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            // Leading zeros add nothing to a number's value; the longer run without them is the
            // larger number, and equal lengths compare digit by digit.
            std::size_t endA = i;
            std::size_t endB = j;
            while (endA < a.size() && isDigit(a[endA]))
                ++endA;
            while (endB < b.size() && isDigit(b[endB]))
                ++endB;
            std::size_t startA = i;
            std::size_t startB = j;
            while (startA + 1 < endA && a[startA] == '0')
                ++startA;
            while (startB + 1 < endB && b[startB] == '0')
                ++startB;
            const std::string_view numberA = a.substr(startA, endA - startA);
            const std::string_view numberB = b.substr(startB, endB - startB);
            if (numberA.size() != numberB.size())
                return numberA.size() < numberB.size();
            if (numberA != numberB)
                return numberA < numberB;
            // "walk02" and "walk2" are the same number: the shorter spelling comes first.
            if (endA - i != endB - j)
                return endA - i < endB - j;
            i = endA;
            j = endB;
            continue;
        }
        if (lower(a[i]) != lower(b[j]))
            return static_cast<unsigned char>(lower(a[i])) < static_cast<unsigned char>(lower(b[j]));
        ++i;
        ++j;
    }
    if (a.size() - i != b.size() - j)
        return a.size() - i < b.size() - j;
    // Names that differ only in case still need an order of their own.
    return a < b;
}

std::string FileSystem::normalize(const std::string& path)
{
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec);
    if (ec)
        p = fs::path(path);
    std::string s = p.lexically_normal().string();
    while (s.size() > 1 && s.back() == kSeparator)
        s.pop_back();
    return s.empty() ? std::string(1, kSeparator) : s;
}

std::string FileSystem::join(std::string_view directory, std::string_view name)
{
    std::string result(directory);
    if (result.empty() || result.back() != kSeparator)
        result += kSeparator;
    result += name;
    return result;
}

bool FileSystem::matches(std::string_view name, std::string_view patterns)
{
    std::size_t start = 0;
    while (start <= patterns.size()) {
        std::size_t end = patterns.find(';', start);
        if (end == std::string_view::npos)
            end = patterns.size();
        std::string_view one = patterns.substr(start, end - start);
        while (!one.empty() && (one.front() == ' ' || one.front() == '\t'))
            one.remove_prefix(1);
        while (!one.empty() && (one.back() == ' ' || one.back() == '\t'))
            one.remove_suffix(1);
        // "*.*" means every file, dotted or not, as on the systems the patterns come from.
        if (one == "*.*" || (!one.empty() && wildcardMatch(name, one)))
            return true;
        start = end + 1;
    }
    return false;
}

std::string FileSystem::currentDirectory() const
{
    std::error_code ec;
    const fs::path p = fs::current_path(ec);
    return ec ? root() : normalize(p.string());
}

void FileSystem::setCurrentDirectory(const std::string& path) const
{
    std::error_code ec;
    fs::current_path(path, ec);
    if (ec)
        throw Error(ErrorKind::DriveNotReady, "cannot change to the directory " + path + ": " + ec.message());
}

}
