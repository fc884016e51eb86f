#pragma once
// Reads a movie back with ffprobe and ffmpeg: its streams, duration, pictures and when a
// sound is first heard.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "XServer.h"

struct ProbedStream {
    std::string type, codec, profile;
    int width = 0, height = 0;
    int sampleRate = 0, channels = 0;
    double duration = 0;
};

struct ProbedMovie {
    std::vector<ProbedStream> streams;
    double duration = 0;
    bool ok = false;
};

inline ProbedMovie probe(const std::filesystem::path& movie) {
    XServer::require("ffprobe");
    QProcess process;
    process.start("ffprobe", {"-v", "error", "-show_entries",
                              "stream=codec_type,codec_name,profile,width,height,sample_rate,channels,duration:"
                              "format=duration",
                              "-of", "json", QString::fromStdString(movie.string())});
    process.waitForFinished(30000);
    ProbedMovie result;
    result.ok = process.exitCode() == 0;
    const QJsonObject root = QJsonDocument::fromJson(process.readAllStandardOutput()).object();
    result.duration = root["format"].toObject()["duration"].toString().toDouble();
    for (const QJsonValue& value : root["streams"].toArray()) {
        const QJsonObject s = value.toObject();
        result.streams.push_back({s["codec_type"].toString().toStdString(), s["codec_name"].toString().toStdString(),
                                  s["profile"].toString().toStdString(), s["width"].toInt(), s["height"].toInt(),
                                  s["sample_rate"].toString().toInt(), s["channels"].toInt(),
                                  s["duration"].toString().toDouble()});
    }
    return result;
}

struct ProbedFrame {
    double time, brightness;
};

// Each decoded picture's time and average brightness (0-255).
inline std::vector<ProbedFrame> probeFrames(const std::filesystem::path& movie) {
    QProcess process;
    process.start("ffprobe", {"-v", "error", "-f", "lavfi", "-i", "movie=" + QString::fromStdString(movie.string()) +
                              ",signalstats", "-show_entries", "frame=pts_time:frame_tags=lavfi.signalstats.YAVG",
                              "-of", "csv=p=0"});
    process.waitForFinished(60000);
    std::vector<ProbedFrame> frames;
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts))
        frames.push_back({line.section(',', 0, 0).toDouble(), line.section(',', 1, 1).toDouble()});
    return frames;
}

// Audio track `index` as mono 48 kHz samples from the movie's start.
inline std::vector<float> decodeSound(const std::filesystem::path& movie, int index) {
    QProcess decode;
    decode.start("ffmpeg", {"-v", "error", "-i", QString::fromStdString(movie.string()), "-map",
                            QString("0:a:%1").arg(index), "-ac", "1", "-f", "f32le", "-"});
    decode.waitForFinished(60000);
    const QByteArray raw = decode.readAllStandardOutput();
    const auto* samples = reinterpret_cast<const float*>(raw.constData());
    return std::vector<float>(samples, samples + raw.size() / qsizetype(sizeof(float)));
}

// Seconds into the movie of the first sample of audio track `index` louder than a quarter of
// full scale at or after `from`, or -1. The tracks start at zero.
inline double firstLoudSample(const std::filesystem::path& movie, int index, double from = 0) {
    const std::vector<float> samples = decodeSound(movie, index);
    for (std::size_t i = std::size_t(from * 48000); i < samples.size(); ++i)
        if (std::abs(samples[i]) > 0.25f) return double(i) / 48000;
    return -1;
}

// Whether each 10 ms of audio track `index` holds sound (louder than a fiftieth of full scale).
inline std::vector<bool> soundPer10ms(const std::filesystem::path& movie, int index) {
    const std::vector<float> samples = decodeSound(movie, index);
    std::vector<bool> heard;
    for (std::size_t at = 0; at + 480 <= samples.size(); at += 480) {
        double energy = 0;
        for (std::size_t i = at; i < at + 480; ++i) energy += double(samples[i]) * samples[i];
        heard.push_back(std::sqrt(energy / 480) > 0.02);
    }
    return heard;
}
