// The progress line, the child reports and the summary table: the texts
// people and the parent process read.
#include "cli/ChildReport.h"
#include "cli/DeviceChoice.h"
#include "cli/DriveTable.h"
#include "jobs/ProgressLine.h"

#include <gtest/gtest.h>

using namespace kq::cli;
using namespace kq::jobs;

TEST(ProgressLine, ShowsEveryFigure) {
    ProgressSample p;
    p.bytesWritten = 245 * 1024 * 1024;
    p.totalBytes = 650 * 1024 * 1024;
    p.elapsedMs = 42'000;
    p.speedKBps = 7056;
    p.bufferSize = 2 * 1024 * 1024;
    p.bufferFree = 104857;  // 5% free
    EXPECT_EQ(FormatProgressLine(p),
              " 37%  245.0 of 650.0 MB  7056 kB/s (40.0x)  buffer 95%  0:42 elapsed  1:00 left");
    p.family = kq::MediaFamily::Dvd;
    p.speedKBps = 0;
    p.bufferSize = 0;
    EXPECT_EQ(FormatProgressLine(p),
              " 37%  245.0 of 650.0 MB  0 kB/s (0.0x)  buffer --  0:42 elapsed  --:-- left");
}

TEST(ProgressLine, FiguresStayInRange) {
    EXPECT_EQ(PercentOf(10, 0), 0);
    EXPECT_EQ(PercentOf(3 * 2048, 2048), 100);  // never past 100
    EXPECT_EQ(BufferFillPercent(1000, 2000), 0);  // free beyond size: empty, not negative
    EXPECT_EQ(BufferFillPercent(1000, 0), 100);
    EXPECT_EQ(BufferFillPercent(0, 0), -1);
    EXPECT_EQ(FormatDuration(3'725'000), "1:02:05");
    EXPECT_EQ(FormatMultiple(9173, kq::MediaFamily::Cd), "52.0x");
    EXPECT_EQ(FormatMultiple(11080, kq::MediaFamily::Dvd), "8.0x");
}

TEST(ProgressLine, SpeedOverTheRecentWindow) {
    SpeedMeter meter(3000);
    EXPECT_EQ(meter.KBps(), 0);
    for (uint64_t ms = 0; ms <= 10'000; ms += 250) meter.Add(ms, ms < 5000 ? int64_t(ms) * 1000 : 5'000'000 + int64_t(ms - 5000) * 2000);
    EXPECT_NEAR(meter.KBps(), 2000, 1);  // the slow first half has left the window
}

TEST(ChildReport, LinesSurviveTheTrip) {
    DriveStatus s{42, 7056, 97, "writing"};
    auto p = ParseReportLine(ProgressReportLine(s));
    ASSERT_EQ(p.kind, ReportLine::Progress);
    EXPECT_EQ(p.status.percent, 42);
    EXPECT_EQ(p.status.kBps, 7056);
    EXPECT_EQ(p.status.bufferFill, 97);
    EXPECT_EQ(p.status.state, "writing");

    DriveResult r{1, "-", 3200, "WRITER ERROR [MEDIUM ERROR\n(WRITE ERROR)]"};
    auto back = ParseReportLine(ResultReportLine(r));
    ASSERT_EQ(back.kind, ReportLine::Result);
    EXPECT_EQ(back.result.exitCode, 1);
    EXPECT_EQ(back.result.elapsedMs, 3200u);
    EXPECT_EQ(back.result.text, "WRITER ERROR [MEDIUM ERROR (WRITE ERROR)]");

    EXPECT_EQ(ParseReportLine("result 1").kind, ReportLine::Unknown);
    EXPECT_EQ(ParseReportLine("progress x y").kind, ReportLine::Unknown);
    EXPECT_EQ(ParseReportLine("").kind, ReportLine::Unknown);
}

TEST(DriveTable, SummaryColumnsLineUp) {
    std::vector<DriveRow> rows(3);
    rows[0].entry = "0:0:0,E: VIRTUAL CD-RW RECORDER  1.00";
    rows[0].result = DriveResult{0, "ok", 61'000, "Success"};
    rows[1].entry = "0:1:0,F: VIRTUAL CD-RW RECORDER  1.00";
    rows[1].result = DriveResult{1, "-", 3'000, "WRITER ERROR [MEDIUM ERROR (WRITE ERROR)]"};
    rows[2].entry = "0:2:0,G: VIRTUAL CD-RW RECORDER  1.00";
    rows[2].skipped = true;
    rows[2].result = DriveResult{4, "-", 0, "no disc, or a disc it does not know"};
    auto table = SummaryTable(rows, true);
    ASSERT_EQ(table.size(), 4u);
    EXPECT_EQ(table[0], "Drive                                 Result                                        Time  Verify");
    EXPECT_EQ(table[1], "0:0:0,E: VIRTUAL CD-RW RECORDER 1.00  Success                                       1:01  ok");
    EXPECT_EQ(table[2], "0:1:0,F: VIRTUAL CD-RW RECORDER 1.00  WRITER ERROR [MEDIUM ERROR (WRITE ERROR)]     0:03  -");
    EXPECT_EQ(table[3], "0:2:0,G: VIRTUAL CD-RW RECORDER 1.00  skipped: no disc, or a disc it does not know  -     -");
    EXPECT_EQ(SummaryTable(rows, false)[0].find("Verify"), std::string::npos);
}

TEST(DeviceChoice, ByNumberAddressOrEntry) {
    std::vector<std::string> devices{"0:0:0,E: VIRTUAL CD-RW RECORDER  1.00", "0:1:0,F: ACME    WRITER 9000     2.01"};
    EXPECT_EQ(ResolveDevice(devices, "2"), devices[1]);
    EXPECT_EQ(ResolveDevice(devices, "0:1:0"), devices[1]);
    EXPECT_EQ(ResolveDevice(devices, devices[0]), devices[0]);
    EXPECT_EQ(ResolveDevice(devices, "0:1:0,F: ACME WRITER 9000 2.01"), devices[1]);
    EXPECT_EQ(ResolveDevice(devices, "0"), std::nullopt);
    EXPECT_EQ(ResolveDevice(devices, "3"), std::nullopt);
    EXPECT_EQ(ResolveDevice(devices, "1:0:0"), std::nullopt);
}
