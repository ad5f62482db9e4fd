#include "learning/DataStreams.h"

#include "learning/LineList.h"

namespace {
const char* const statsColumns[] = {
    "Columns in file statsXXXXXXXXX.txt:",
    "start_time period #of_shots #of_hits #of_missed_tagets weapons_speed shapes_speed shapes_frequency "
    "avg_hit_distance avg_hit_time",
};

const char* const coordinateColumns[] = {
    "Columns in this file:",
    "time paddleVisibility paddleX paddleY aNNNN XX YY RR [aNNNN XX YY | aNNNN hit]",
    "where NNNN - given object's number, XX horizontal location, YY vertical location, RR - radius of "
    "bounding circle",
    "and a= g - gun, t - triangle, r - rectangle, c - circle, s - sphere, y - cylinder",
    "0.00 paddle visibility means that the paddle was destroyed,",
    "if a target was hit a word 'hit' appears instead of its coordinates.",
};

// About a hundred progress updates per stream, whatever its length.
class ProgressSteps {
public:
    ProgressSteps(int count, QString verb, SaveProgress& progress)
        : count(count), increment(count / 100.0), step(increment), verb(std::move(verb)), progress(progress) {
        progress.addLine(this->verb + "data 0%");
    }
    void lineWritten() {
        ++sent;
        if (step > sent) {
            return;
        }
        while (step <= sent) {
            step += increment;
        }
        progress.replaceLastLine(verb +
                                 QString::asprintf("data %i%%", static_cast<int>(sent * 100.0 / count)));
    }

private:
    int count;
    double increment;
    double step;
    int sent = 0;
    QString verb;
    SaveProgress& progress;
};

bool writeAll(const LineList& lines, LineSink& sink, const QString& verb, SaveProgress& progress) {
    ProgressSteps steps(lines.count(), verb, progress);
    for (const LineList::Node* node = lines.first(); node != nullptr; node = node->next) {
        if (!sink.line(node->text)) {
            return false;
        }
        steps.lineWritten();
    }
    return true;
}
} // namespace

bool DataStreams::writeStats(const LineList& stats, LineSink& sink, const QString& verb, SaveProgress& progress) {
    return writeAll(stats, sink, verb, progress);
}

bool DataStreams::writeInfo(const LineList& info, bool coordinates, LineSink& sink, const QString& verb,
                            SaveProgress& progress) {
    for (const char* column : statsColumns) {
        if (!sink.line(QByteArray::fromRawData(column, qstrlen(column)))) {
            return false;
        }
    }
    if (coordinates) {
        for (const char* column : coordinateColumns) {
            if (!sink.line(QByteArray::fromRawData(column, qstrlen(column)))) {
                return false;
            }
        }
        return writeAll(info, sink, verb, progress);
    }
    for (const LineList::Node* node = info.first(); node != nullptr && !node->text.isEmpty(); node = node->next) {
        if (!sink.line(node->text)) {
            return false;
        }
    }
    return true;
}
