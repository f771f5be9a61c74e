// The floor of `brinewick-export --all-records --csv`: a plain C++ program on two threads,
// without Qt, that reads a generated log (loggen.h) and writes the same CSV byte for byte.
// It knows only that log's form (quoted header lines, a start date, records of numbers), and
// it is what the batch command is measured against. Usage: export_floor LOG CSV
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kValues = 10;  // numbers after the time: Therm 1..3, raws, pH-1, pH-2, Aux, Flow, Total
constexpr double kKelvin = 273.15, kNernst = 0.000198416;

struct Record {
    int seconds;  // of the day
    std::array<double, kValues> v;
};

// Shortest text that reads back to the same double, with the fixed fast way for short decimals.
char *writeNumber(char *out, double v) {
    static constexpr double pow10[] = {1, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
    static constexpr std::int64_t ipow10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};
    const double a = std::fabs(v);
    if (a >= 1e-3 && a < 1e5) {
        for (int k = 0; k <= 8; ++k) {
            const double c = std::nearbyint(a * pow10[k]);
            if (c / pow10[k] != a) continue;
            const auto digits = std::int64_t(c);
            if (v < 0) *out++ = '-';
            out = std::to_chars(out, out + 8, digits / ipow10[k]).ptr;
            if (k == 0) return out;
            *out++ = '.';
            std::int64_t frac = digits % ipow10[k];
            for (int d = k - 1; d >= 0; --d, frac /= 10) out[d] = char('0' + frac % 10);
            return out + k;
        }
    }
    return std::to_chars(out, out + 32, v).ptr;
}

void two(char *at, int v) {
    at[0] = char('0' + v / 10);
    at[1] = char('0' + v % 10);
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civil(long z, int &y, int &m, int &d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(yoe + era * 400 + (m <= 2));
}

long daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// A record line: "hh:mm:ss",n,n,...; false for any other line.
bool parseRecord(std::string_view line, Record &r) {
    if (line.size() < 10 || line[0] != '"' || line[3] != ':' || line[9] != '"') return false;
    auto dd = [&](std::size_t i) { return (line[i] - '0') * 10 + (line[i + 1] - '0'); };
    r.seconds = dd(1) * 3600 + dd(4) * 60 + dd(7);
    const char *p = line.data() + 10, *end = line.data() + line.size();
    for (int k = 0; k < kValues; ++k) {
        if (p >= end || *p != ',') return false;
        const auto res = std::from_chars(p + 1, end, r.v[std::size_t(k)]);
        if (res.ec != std::errc()) return false;
        p = res.ptr;
    }
    return true;
}

double numberAfterComma(std::string_view line) {
    double v = 0;
    const std::size_t comma = line.find(',');
    if (comma != std::string_view::npos) std::from_chars(line.data() + comma + 1, line.data() + line.size(), v);
    return v;
}

double roundPH(double v) { return std::nearbyint(v * 10000.0) / 10000.0; }

bool above(double d, double limit) { return d > limit + 1e-9; }

double median(std::array<double, 5> w, int n) {
    std::sort(w.begin(), w.begin() + n);
    return n % 2 ? w[std::size_t(n / 2)] : (w[std::size_t(n / 2 - 1)] + w[std::size_t(n / 2)]) / 2;
}

bool spike(const std::vector<Record> &recs, int col, int r) {
    const int n = int(recs.size()), from = std::max(0, r - 2), to = std::min(n - 1, r + 2);
    const double x = recs[std::size_t(r)].v[std::size_t(col)];
    std::array<double, 5> w{};
    int k = 0;
    bool wide = false;
    for (int j = from; j <= to; ++j) {
        w[std::size_t(k++)] = recs[std::size_t(j)].v[std::size_t(col)];
        wide = wide || above(std::fabs(w[std::size_t(k - 1)] - x), 0.3);
    }
    return wide && k >= 3 && above(std::fabs(x - median(w, k)), 0.3);
}

// Runs from..to-1 of `work` on this thread and the other one at once.
template <class F> void onTwo(int from, int to, F work) {
    const int mid = from + (to - from) / 2;
    std::thread other([&] { work(mid, to); });
    work(from, mid);
    other.join();
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: export_floor LOG CSV\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDONLY);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) return 1;
    const std::size_t size = std::size_t(st.st_size);
    const char *data = static_cast<const char *>(::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0));
    if (data == MAP_FAILED) return 1;
    ::madvise(const_cast<char *>(data), size, MADV_SEQUENTIAL);

    // The header lines, up to the first record.
    double slope[2] = {1, 1}, offset[2] = {0, 0};
    long startDay = 0;
    std::string header;
    std::size_t at = 0;
    for (;;) {
        const char *nl = static_cast<const char *>(std::memchr(data + at, '\n', size - at));
        std::size_t end = nl ? std::size_t(nl - data) : size;
        std::string_view line(data + at, end - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        Record probe;
        if (parseRecord(line, probe) || !nl) break;
        at = end + 1;
        if (line.starts_with("\"Probe 1 Slope:\"")) slope[0] = numberAfterComma(line);
        if (line.starts_with("\"Probe 2 Slope:\"")) slope[1] = numberAfterComma(line);
        if (line.starts_with("\"Probe 1 Offset:\"")) offset[0] = numberAfterComma(line);
        if (line.starts_with("\"Probe 2 Offset:\"")) offset[1] = numberAfterComma(line);
        if (line.starts_with("\"Start Date:\"")) {
            int y = 0, m = 0, d = 0;
            std::sscanf(line.data() + line.find('#'), "#%d-%d-%d#", &y, &m, &d);
            startDay = daysFromCivil(y, m, d);
        }
        if (line.starts_with("\"Time\"")) {
            header.clear();
            for (char c : line)
                if (c != '"') header += c;
        }
    }

    // Records: each half of the file split at a line end and parsed on its own thread.
    std::size_t mid = at + (size - at) / 2;
    while (mid < size && data[mid - 1] != '\n') ++mid;
    std::vector<Record> halves[2];
    auto parse = [&](int half, std::size_t from, std::size_t to) {
        std::vector<Record> &out = halves[half];
        out.reserve((to - from) / 70);
        Record r;
        while (from < to) {
            const char *nl = static_cast<const char *>(std::memchr(data + from, '\n', to - from));
            const std::size_t end = nl ? std::size_t(nl - data) : to;
            std::string_view line(data + from, end - from);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (parseRecord(line, r)) {
                // pH as Compute gives it: probe 1 and 2 on thermistor 1, no corrections.
                const double K = r.v[0] + kKelvin;
                for (int p = 0; p < 2; ++p)
                    r.v[std::size_t(5 + p)] =
                        roundPH((r.v[std::size_t(3 + p)] / 1000 - offset[p]) / (K * kNernst * slope[p]) + 7 + 0.0);
                out.push_back(r);
            }
            from = end + 1;
        }
    };
    std::thread second(parse, 1, mid, size);
    parse(0, at, mid);
    second.join();
    std::vector<Record> recs = std::move(halves[0]);
    recs.insert(recs.end(), halves[1].begin(), halves[1].end());
    halves[1] = {};
    const int n = int(recs.size());

    // The day of each record (a step back in time is the next day) and the flags.
    std::vector<int> day(static_cast<std::size_t>(n));
    std::vector<std::uint8_t> flags(std::size_t(n), 0);
    for (int r = 0, d = 0, previous = -1; r < n; ++r) {
        if (recs[std::size_t(r)].seconds < previous) ++d;
        previous = recs[std::size_t(r)].seconds;
        day[std::size_t(r)] = d;
    }
    onTwo(0, n, [&](int from, int to) {
        for (int r = from; r < to; ++r) {
            const auto &v = recs[std::size_t(r)].v;
            std::uint8_t f = 0;
            if (above(std::fabs(v[5] - v[6]), 0.2)) f |= 1;
            if (spike(recs, 5, r) || spike(recs, 6, r)) f |= 2;
            const double lo = std::min({v[0], v[1], v[2]}), hi = std::max({v[0], v[1], v[2]});
            if (hi > lo && above(hi - lo, 2.0)) f |= 8;
            if (v[8] == 0.0) f |= 16;
            flags[std::size_t(r)] = f;
        }
    });
    for (int col : {3, 4})
        for (int r = 0; r < n;) {
            int e = r + 1;
            while (e < n && recs[std::size_t(e)].v[std::size_t(col)] == recs[std::size_t(r)].v[std::size_t(col)]) ++e;
            if (e - r >= 30)
                for (int j = r; j < e; ++j) flags[std::size_t(j)] |= 4;
            r = e;
        }

    // The CSV, a piece at a time, each piece's halves made on the two threads.
    std::FILE *out = std::fopen(argv[2], "wb");
    if (!out) return 1;
    header += ",flags\r\n";
    std::fwrite(header.data(), 1, header.size(), out);
    constexpr int kPiece = 65536;
    std::vector<char> text[2];
    for (auto &t : text) t.resize(std::size_t(kPiece / 2 + 1) * 300);  // a row of the widest numbers fits
    std::size_t used[2];
    for (int p0 = 0; p0 < n; p0 += kPiece) {
        const int p1 = std::min(n, p0 + kPiece), pmid = p0 + (p1 - p0) / 2;
        auto format = [&](int half) {
            char *o = text[half].data();
            long cachedDay = -1;
            int y = 0, m = 0, d = 0;
            for (int r = half ? pmid : p0, e = half ? p1 : pmid; r < e; ++r) {
                const Record &rec = recs[std::size_t(r)];
                if (startDay + day[std::size_t(r)] != cachedDay) {
                    cachedDay = startDay + day[std::size_t(r)];
                    civil(cachedDay, y, m, d);
                }
                two(o, y / 100);
                two(o + 2, y % 100);
                o[4] = '-';
                two(o + 5, m);
                o[7] = '-';
                two(o + 8, d);
                o[10] = ' ';
                two(o + 11, rec.seconds / 3600);
                o[13] = ':';
                two(o + 14, rec.seconds / 60 % 60);
                o[16] = ':';
                two(o + 17, rec.seconds % 60);
                o += 19;
                for (double v : rec.v) {
                    *o++ = ',';
                    o = writeNumber(o, v);
                }
                *o++ = ',';
                for (int k = 0; k < 7; ++k)
                    if (flags[std::size_t(r)] & (1u << k)) *o++ = "DSFTNXM"[k];
                *o++ = '\r';
                *o++ = '\n';
            }
            used[half] = std::size_t(o - text[half].data());
        };
        std::thread other(format, 1);
        format(0);
        other.join();
        for (int h = 0; h < 2; ++h) std::fwrite(text[h].data(), 1, used[h], out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
