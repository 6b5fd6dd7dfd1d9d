// SPDX-License-Identifier: MIT
#include "ExportTesting.h"

#include "export/ExportCommand.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include <csignal>
#include <cstdio>
#include <memory>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace export_testing {

namespace {

std::string readAll(std::FILE* file)
{
    std::rewind(file);
    std::string text;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, n);
    return text;
}


}

std::string readAll(int fd)
{
    std::string text;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    return text;
}

Run runInProcess(int (*command)(const std::vector<std::string>&, std::FILE*, std::FILE*),
                 const std::vector<std::string>& arguments)
{
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    Run run;
    run.status = command(arguments, out, err);
    run.out = readAll(out);
    run.err = readAll(err);
    std::fclose(out);
    std::fclose(err);
    return run;
}

Run exportAnimation(const std::vector<std::string>& arguments)
{
    return runInProcess([](const std::vector<std::string>& a, std::FILE* out, std::FILE* err) {
        return int(exporter::ExportCommand::run(a, out, err));
    }, arguments);
}

Run runProgram(const std::vector<std::string>& arguments, long fileSizeLimit)
{
    std::vector<std::string> command { MOVELLE_PROGRAM };
    command.insert(command.end(), arguments.begin(), arguments.end());
    return runCommand(command, fileSizeLimit);
}

Run runCommand(const std::vector<std::string>& command, long fileSizeLimit)
{
    int outPipe[2];
    int errPipe[2];
    Run run;
    if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0)
        return run;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        if (fileSizeLimit > 0) {
            // A write past the limit then fails with EFBIG instead of ending the process.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit { static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit) };
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        std::vector<char*> argv;
        for (const std::string& a : command)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    // The outputs are small; reading one to its end before the other cannot fill a pipe.
    run.out = readAll(outPipe[0]);
    run.err = readAll(errPipe[0]);
    ::close(outPipe[0]);
    ::close(errPipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

Video decodeVideo(const std::string& path)
{
    Video video;
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
        video.error = "cannot open";
        return video;
    }
    std::unique_ptr<AVFormatContext*, void (*)(AVFormatContext**)> closeFormat(&format, avformat_close_input);
    if (avformat_find_stream_info(format, nullptr) < 0) {
        video.error = "no stream information";
        return video;
    }
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0) {
        video.error = "no video stream";
        return video;
    }
    AVStream* stream = format->streams[index];
    video.codec = avcodec_get_name(stream->codecpar->codec_id);
    video.durationMs = format->duration * 1000.0 / AV_TIME_BASE;
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    AVCodecContext* context = avcodec_alloc_context3(codec);
    std::unique_ptr<AVCodecContext*, void (*)(AVCodecContext**)> freeContext(&context, avcodec_free_context);
    avcodec_parameters_to_context(context, stream->codecpar);
    if (avcodec_open2(context, codec, nullptr) < 0) {
        video.error = "no decoder";
        return video;
    }
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    SwsContext* scaler = nullptr;
    auto receive = [&] {
        while (avcodec_receive_frame(context, frame) >= 0) {
            QImage image(frame->width, frame->height, QImage::Format_RGB32);
            scaler = sws_getCachedContext(scaler, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                          frame->width, frame->height, AV_PIX_FMT_BGRA, SWS_BICUBIC, nullptr, nullptr,
                                          nullptr);
            uint8_t* target[] = { image.bits() };
            const int stride[] = { static_cast<int>(image.bytesPerLine()) };
            sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, target, stride);
            const std::int64_t pts = frame->best_effort_timestamp;
            video.frames.push_back({ image, pts * 1000.0 * av_q2d(stream->time_base) });
        }
    };
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(context, packet) >= 0)
            receive();
        av_packet_unref(packet);
    }
    avcodec_send_packet(context, nullptr);
    receive();
    sws_freeContext(scaler);
    av_frame_free(&frame);
    av_packet_free(&packet);
    return video;
}

std::string aniText(int count, const std::string& rate, const std::vector<std::string>& paths)
{
    std::string text = std::to_string(count) + "\r\n" + rate + "\r\n";
    for (const std::string& path : paths)
        text += path + "\r\n";
    return text;
}

}
