// Text recognition on the rendered screen-text set, beside the tesseract command line
// (`tesseract IMAGE - -l eng+ita`) on the same images in the same run: character error rate,
// time per 600 x 200 point area after the warm-up, and the warm-up itself. Then the resident
// memory of the idle program with the model loaded, on a private Xvfb.
//
//   text_bench              the comparison and the memory figure
//   text_bench --sweep      character error rate and time for a range of target x-heights
//   text_bench --keep DIR   also writes the images and their truth into DIR
//   text_bench --only TEXT  only the images whose name contains TEXT
//   text_bench --verbose    also every line not read as it stands
//   text_bench --no-peer    Glimpo alone, no memory figure (quick turns while tuning)

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "ProcessHarness.h"
#include "ScreenTextSamples.h"
#include "TextDistance.h"
#include "XServer.h"
#include "app/base/Log.h"
#include "app/text/ScreenTextRecognitionService.h"

namespace {

// Lines trimmed, empty lines dropped: the command line separates blocks by blank lines and ends
// with a form feed, which says nothing about reading.
QString normalised(const QString& text) {
    QStringList lines;
    for (const QString& line : text.split('\n')) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty()) lines << trimmed;
    }
    return lines.join('\n');
}

struct Tally {
    std::size_t errors = 0, characters = 0;
    std::vector<double> ms, cpu;
    int exact = 0, images = 0;

    void add(const QString& truth, const QString& read, double elapsed, double processor) {
        const std::size_t d = screentext::editDistance(normalised(truth), normalised(read));
        errors += d;
        characters += normalised(truth).toUcs4().size();
        exact += d == 0;
        ++images;
        ms.push_back(elapsed);
        cpu.push_back(processor);
    }
    double cer() const { return characters ? 100.0 * errors / characters : 0; }
    static double medianOf(std::vector<double> sorted) {
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[sorted.size() / 2];
    }
    double cpuMedian() const { return medianOf(cpu); }
    double median() const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[sorted.size() / 2];
    }
    double percentile90() const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[(sorted.size() * 9) / 10];
    }
};

double since(const QElapsedTimer& clock) { return static_cast<double>(clock.nsecsElapsed()) / 1e6; }

// Processor time, user and system, of this process (`who` RUSAGE_SELF) or of its finished
// children (RUSAGE_CHILDREN), in milliseconds: the machine is shared, so wall time alone says
// little.
double processorMs(int who) {
    rusage usage{};
    getrusage(who, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Milliseconds from warmUp() to its "ready" line; 0 when it failed.
double warmUp(TextRecognitionService& service) {
    MemoryLogSink log;
    QElapsedTimer clock;
    clock.start();
    service.warmUp();
    // The warm-up needs no event loop: sleep between looks instead of spinning.
    bool ready = false;
    while (!ready && clock.elapsed() < 60000) {
        for (const std::string& line : log.messages("ocr")) ready = ready || line.rfind("text model", 0) == 0;
        if (!ready) QThread::msleep(2);
    }
    const double ms = since(clock);
    for (const std::string& line : log.messages("ocr")) std::printf("  log: %s\n", line.c_str());
    return ready && log.messages("ocr").front().rfind("text model ready", 0) == 0 ? ms : 0;
}

QString readWith(TextRecognitionService& service, const QImage& image, double* ms, double* cpu) {
    QElapsedTimer clock;
    const double before = processorMs(RUSAGE_SELF);
    clock.start();
    // Waits in the event loop without spinning, so the processor time is the recogniser's.
    std::string text;
    bool finished = false;
    QEventLoop loop;
    [](TextRecognitionService& s, QImage picture, std::string& out, bool& over, QEventLoop& done) -> QCoro::Task<void> {
        out = co_await s.recognize(std::move(picture));
        over = true;
        done.quit();
    }(service, image, text, finished, loop);
    if (!finished) loop.exec();
    *ms = since(clock);
    *cpu = processorMs(RUSAGE_SELF) - before;
    return QString::fromStdString(text);
}

QString readWithCommandLine(const QString& file, double* ms, double* cpu) {
    QProcess tesseract;
    QElapsedTimer clock;
    const double before = processorMs(RUSAGE_CHILDREN);
    clock.start();
    tesseract.start("tesseract", {file, "-", "-l", "eng+ita"});
    tesseract.waitForFinished(60000);
    *ms = since(clock);
    *cpu = processorMs(RUSAGE_CHILDREN) - before;
    return QString::fromUtf8(tesseract.readAllStandardOutput());
}

void printRow(const char* label, const Tally& ours, const Tally& cli) {
    std::printf("  %-10s glimpo CER %5.2f%% exact %2d/%-2d median %6.1f ms (cpu %5.1f) p90 %6.1f ms | "
                "tesseract CLI CER %5.2f%% exact %2d/%-2d median %6.1f ms (cpu %5.1f)\n",
                label, ours.cer(), ours.exact, ours.images, ours.median(), ours.cpuMedian(), ours.percentile90(),
                cli.cer(), cli.exact, cli.images, cli.median(), cli.cpuMedian());
}

// Each line of the truth that was not read as it stands, beside what was read in its place.
void printSlips(const screentext::Sample& sample, const QString& read) {
    const QStringList truth = normalised(sample.truth).split('\n'), lines = normalised(read).split('\n');
    for (qsizetype i = 0; i < truth.size(); ++i) {
        const QString got = i < lines.size() ? lines[i] : QString();
        if (got != truth[i]) {
            std::printf("%s\n  - %s\n  + %s\n", sample.name.toUtf8().constData(), truth[i].toUtf8().constData(),
                        got.toUtf8().constData());
        }
    }
    for (qsizetype i = truth.size(); i < lines.size(); ++i)
        std::printf("%s\n  + %s\n", sample.name.toUtf8().constData(), lines[i].toUtf8().constData());
}

// `peer` false: Glimpo alone, for quick turns while tuning.
int compare(const std::vector<screentext::Sample>& samples, const QDir& folder, bool verbose, bool peer) {
    ScreenTextRecognitionService service;
    const double startCpu = processorMs(RUSAGE_SELF);
    const double warm = warmUp(service);
    const double warmCpu = processorMs(RUSAGE_SELF) - startCpu;
    if (warm <= 0) {
        std::fprintf(stderr, "warm-up failed\n");
        return 1;
    }
    std::printf("warm-up: %.0f ms (processor time %.0f ms)\n", warm, warmCpu);

    Tally ours, cli;
    std::map<std::string, std::pair<Tally, Tally>> byGroup;
    for (const screentext::Sample& sample : samples) {
        const QString file = folder.filePath(sample.name + ".png");
        double ourMs = 0, cliMs = 0, ourCpu = 0, cliCpu = 0;
        const QString read = readWith(service, sample.image, &ourMs, &ourCpu);
        const QString cliRead = peer ? readWithCommandLine(file, &cliMs, &cliCpu) : QString();
        ours.add(sample.truth, read, ourMs, ourCpu);
        cli.add(sample.truth, cliRead, cliMs, cliCpu);
        const QStringList parts = sample.name.split('-');
        for (const std::string& group : {parts[0].toStdString(), parts[1].toStdString(), parts[3].toStdString(),
                                         parts[4].toStdString(), std::string(sample.code ? "code lines" : "prose")}) {
            byGroup[group].first.add(sample.truth, read, ourMs, ourCpu);
            byGroup[group].second.add(sample.truth, cliRead, cliMs, cliCpu);
        }
        if (verbose) printSlips(sample, read);
    }
    std::printf("\n%zu images of 600 x 200 points, %zu characters\n", samples.size(), ours.characters);
    for (const auto& [group, tallies] : byGroup) printRow(group.c_str(), tallies.first, tallies.second);
    printRow("all", ours, cli);
    std::printf("CER ratio glimpo / CLI: %.3f\n", cli.cer() > 0 ? ours.cer() / cli.cer() : 0.0);
    return 0;
}

int sweep(const std::vector<screentext::Sample>& samples) {
    for (double target : {8.0, 10.0, 12.0, 16.0, 20.0, 24.0}) {
        ScreenTextRecognitionService service(ScreenTextRecognitionService::moduleEngine, target);
        double ms = 0, cpu = 0;
        readWith(service, samples.front().image, &ms, &cpu);
        Tally tally;
        for (const screentext::Sample& sample : samples) {
            const QString read = readWith(service, sample.image, &ms, &cpu);
            tally.add(sample.truth, read, ms, cpu);
        }
        std::printf("x-height %4.0f px: CER %5.2f%%  exact %2d/%d  median %6.1f ms (cpu %5.1f)  p90 %6.1f ms\n", target,
                    tally.cer(), tally.exact, tally.images, tally.median(), tally.cpuMedian(), tally.percentile90());
        std::fflush(stdout);
    }
    return 0;
}

long residentKilobytes(qint64 pid) {
    QFile status(QString("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

// The real program, idle on a private X server, after its warm-up: its resident set.
int idleMemory() {
    XServer server({{"A", 0, 0, 1920, 1080}});
    qputenv("DISPLAY", server.display().toLocal8Bit());
    GlimpoProcessHome home;
    QDir(home.path("config")).mkpath("org.glimpo.Glimpo");
    QFile settings(home.path("config") + "/org.glimpo.Glimpo/settings.json");
    if (!settings.open(QIODevice::WriteOnly)) return 1;
    settings.write(R"({"welcomeShown": true})");
    settings.close();
    GlimpoProcess glimpo(home);
    glimpo.start();
    if (!glimpo.waitForLog("text model ready", 30000)) {
        std::fprintf(stderr, "no warm-up line:\n%s\n", glimpo.log().toUtf8().constData());
        return 1;
    }
    QThread::sleep(5);
    std::printf("idle program with the model loaded: resident %.1f MB\n",
                residentKilobytes(glimpo.process().processId()) / 1024.0);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    std::vector<screentext::Sample> samples = screentext::all();
    if (const qsizetype only = args.indexOf("--only"); only >= 0 && only + 1 < args.size()) {
        std::erase_if(samples, [&](const screentext::Sample& s) { return !s.name.contains(args[only + 1]); });
    }

    if (args.contains("--sweep")) return sweep(samples);

    QTemporaryDir temporary;
    const qsizetype keep = args.indexOf("--keep");
    QDir folder(keep >= 0 && keep + 1 < args.size() ? args[keep + 1] : temporary.path());
    folder.mkpath(".");
    for (const screentext::Sample& sample : samples) {
        sample.image.save(folder.filePath(sample.name + ".png"));
        QFile truth(folder.filePath(sample.name + ".txt"));
        if (truth.open(QIODevice::WriteOnly)) truth.write(sample.truth.toUtf8() + "\n");
    }
    const bool peer = !args.contains("--no-peer");
    if (const int failed = compare(samples, folder, args.contains("--verbose"), peer)) return failed;
    if (!peer || args.contains("--no-memory")) return 0;
    return idleMemory();
}
