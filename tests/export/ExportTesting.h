// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace export_testing {

// What `movelle export` printed and returned, run in this process.
struct Run {
    int status = -1;
    std::string out;
    std::string err;
};
Run exportAnimation(const std::vector<std::string>& arguments);
// Any command that runs in this process as `movelle export` does (ImportCommand::run, ...).
Run runInProcess(int (*command)(const std::vector<std::string>&, std::FILE*, std::FILE*),
                 const std::vector<std::string>& arguments);
// Everything a descriptor gives until its end.
std::string readAll(int fd);

// The program itself, for what only a process shows (exit statuses from main, signals). A
// fileSizeLimit above 0 bounds every file the program writes to that many bytes, as a full disk
// would.
Run runProgram(const std::vector<std::string>& arguments, long fileSizeLimit = 0);
// Any program, found on the path, with the same bound.
Run runCommand(const std::vector<std::string>& command, long fileSizeLimit = 0);

// A video decoded back by FFmpeg's libraries: every frame as RGB32 and when it starts.
struct VideoFrame {
    QImage image;
    double startMs = 0;
};
struct Video {
    std::vector<VideoFrame> frames;
    std::string codec;
    double durationMs = 0;
    std::string error;
};
Video decodeVideo(const std::string& path);

// A picture file animation: CR LF lines of the count, the rate and one path per frame.
std::string aniText(int count, const std::string& rate, const std::vector<std::string>& paths);

}
