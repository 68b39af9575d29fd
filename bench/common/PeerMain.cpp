// The benchmark runner: Google Benchmark's usual run and report, then a table
// of ratios for every pair of benchmarks measuring the same work, named
// ".../Vesk" and ".../pixman". The ratio is pixman's time over ours, so
// above 1 we are faster. With repetitions the median time of each is used.
// Beside each pair: both rates in megapixels per second, for the plain copies
// the share of a memcpy of the same bytes, and how the two pictures agreed
// in the check made before timing.
// The table follows the console report on standard output; with
// --benchmark_format=json it goes to standard error, so that the report
// stays machine-readable (the deprecated csv form gets no table).

#include <benchmark/benchmark.h>

#include "common/PeerTable.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr const char* kOurs = "/Vesk";
constexpr const char* kTheirs = "/pixman";
constexpr const char* kCeiling = "/memcpy";

// Seconds per iteration of every run of each benchmark.
using Timings = std::map<std::string, std::vector<double>>;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

bool EndsWith(const std::string& text, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

std::string Microseconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f", seconds * 1.0e6);
    return text;
}

void PrintRatios(const Timings& timings, const Timings& rates, std::ostream& out) {
    struct Row {
        std::string work;
        double ours;
        double theirs;
        double ourRate;
        double theirRate;
        std::string note;
    };
    auto rateOf = [&rates](const std::string& name) {
        const auto it = rates.find(name);
        return it == rates.end() ? 0.0 : Median(it->second);
    };
    std::vector<Row> rows;
    size_t width = 4;
    for (const auto& [name, runs] : timings) {
        if (!EndsWith(name, kOurs)) {
            continue;
        }
        const std::string work = name.substr(0, name.size() - std::strlen(kOurs));
        const auto partner = timings.find(work + kTheirs);
        if (partner == timings.end()) {
            continue;
        }
        Row row{work,         Median(runs),           Median(partner->second),
                rateOf(name), rateOf(work + kTheirs), ""};
        if (const auto ceiling = timings.find(work + kCeiling); ceiling != timings.end()) {
            char share[48];
            std::snprintf(share, sizeof(share), "%.0f%% of memcpy; ",
                          100.0 * Median(ceiling->second) / row.ours);
            row.note = share;
        }
        if (const auto note = bench::Notes().find(work); note != bench::Notes().end()) {
            row.note += note->second;
        }
        rows.push_back(row);
        width = std::max(width, work.size());
    }
    if (rows.empty()) {
        return;
    }
    char line[512];
    const int w = static_cast<int>(std::min<size_t>(width, 120));
    out << '\n';
    std::snprintf(line, sizeof(line), "%-*s %10s %10s %11s %11s %8s  %s\n", w, "Work", "Vesk us",
                  "pixman us", "Vesk MPix/s", "pixman MP/s", "ratio", "note");
    out << line << std::string(static_cast<size_t>(w) + 68, '-') << '\n';
    for (const Row& row : rows) {
        const double ratio = row.ours > 0.0 ? row.theirs / row.ours : 0.0;
        std::snprintf(line, sizeof(line), "%-*s %10s %10s %11.0f %11.0f %7.2fx  %s\n", w,
                      row.work.c_str(), Microseconds(row.ours).c_str(),
                      Microseconds(row.theirs).c_str(), row.ourRate, row.theirRate, ratio,
                      row.note.c_str());
        out << line;
    }
    out << "(ratio: pixman's time over ours on the same work, above 1 we are faster; "
           "MPix/s: pixels the work covers per second)\n";
    out.flush();
}

// Reports as Base does and keeps each run's CPU time for the table.
template <class Base>
class RatioReporter : public Base {
public:
    using Base::Base;

    void ReportRuns(const std::vector<benchmark::BenchmarkReporter::Run>& reports) override {
        Base::ReportRuns(reports);
        for (const auto& run : reports) {
            if (run.error_occurred ||
                run.run_type != benchmark::BenchmarkReporter::Run::RT_Iteration) {
                continue;
            }
            mTimings[run.run_name.str()].push_back(run.GetAdjustedCPUTime() /
                                                   benchmark::GetTimeUnitMultiplier(run.time_unit));
            if (const auto rate = run.counters.find("MPix/s"); rate != run.counters.end()) {
                mRates[run.run_name.str()].push_back(rate->second.value);
            }
        }
    }

    void Finalize() override {
        Base::Finalize();
        PrintRatios(mTimings, mRates, mToErrors ? this->GetErrorStream() : this->GetOutputStream());
    }

    void SendTableToErrors() { mToErrors = true; }

private:
    Timings mTimings;
    Timings mRates;  // megapixels per second of each run
    bool mToErrors = false;
};

// The value of a --benchmark_<name>=value argument, or fallback.
std::string FlagValue(int argc, char** argv, const std::string& name, const std::string& fallback) {
    const std::string prefix = "--benchmark_" + name + "=";
    std::string value = fallback;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], prefix.c_str(), prefix.size()) == 0) {
            value = argv[i] + prefix.size();
        }
    }
    return value;
}

bool IsTrue(const std::string& value) {
    return value == "true" || value == "yes" || value == "1" || value == "on";
}

}  // namespace

int main(int argc, char** argv) {
    // Read before Initialize, which takes the flags it knows out of argv.
    const std::string format = FlagValue(argc, argv, "format", "console");
    const bool color = IsTrue(FlagValue(argc, argv, "color", "false"));
    const bool tabular = IsTrue(FlagValue(argc, argv, "counters_tabular", "false"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    if (format == "json") {
        RatioReporter<benchmark::JSONReporter> reporter;
        reporter.SendTableToErrors();
        benchmark::RunSpecifiedBenchmarks(&reporter);
    } else if (format != "console") {
        // The deprecated CSV form (or anything else) as the library makes it.
        benchmark::RunSpecifiedBenchmarks();
    } else {
        // Colour only when asked for: whether the output is a terminal is not
        // known here.
        int options = benchmark::ConsoleReporter::OO_None;
        if (color) {
            options |= benchmark::ConsoleReporter::OO_Color;
        }
        if (tabular) {
            options |= benchmark::ConsoleReporter::OO_Tabular;
        }
        RatioReporter<benchmark::ConsoleReporter> reporter(
            static_cast<benchmark::ConsoleReporter::OutputOptions>(options));
        benchmark::RunSpecifiedBenchmarks(&reporter);
    }
    benchmark::Shutdown();
    return 0;
}
