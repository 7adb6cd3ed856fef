// The shared library loaded at run time and its entry points, configured
// by VRECORDER_CONFIG. Each test loads its own copy, so each one starts
// with the library's recorders built afresh.
#include "Harness.h"

#include "transport/kqASPI.h"

#include "platform/Library.h"

#include <cstdlib>

using namespace vtest;
using namespace kq;

namespace {

void SetConfigVariable(const char* value) {
#ifdef _WIN32
    _putenv_s("VRECORDER_CONFIG", value ? value : "");  // empty removes it
#else
    if (value) setenv("VRECORDER_CONFIG", value, 1);
    else unsetenv("VRECORDER_CONFIG");
#endif
}

#ifdef _WIN32
constexpr const char* kCopyName = "vrec-copy.dll";
#else
constexpr const char* kCopyName = "libvrec-copy.so";
#endif

class Library {
public:
    Library(const TempDir& dir, const char* config) {
        SetConfigVariable(config);
        std::string copy = dir.File(kCopyName);
        fs::copy_file(KQ_VRECORDER_ASPI_PATH, copy, fs::copy_options::overwrite_existing);
        std::string error;
        library_ = platform::Library::Open(copy, &error);
        EXPECT_TRUE(library_) << error;
        if (!library_) return;
        send = reinterpret_cast<SendASPI32CommandFn>(library_->Symbol("SendASPI32Command"));
        info = reinterpret_cast<GetASPI32SupportInfoFn>(library_->Symbol("GetASPI32SupportInfo"));
        version = reinterpret_cast<GetASPI32SupportInfoFn>(library_->Symbol("GetVirtualRecorderVersion"));
    }
    ~Library() {
        library_.reset();
        SetConfigVariable(nullptr);
    }
    SendASPI32CommandFn send = nullptr;
    GetASPI32SupportInfoFn info = nullptr;
    GetASPI32SupportInfoFn version = nullptr;

private:
    std::optional<platform::Library> library_;
};

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// A closed CD-R of `capacity` holding one 100-block track: a state that
// the recorder takes only when it fits its configured medium.
std::string ClosedDiscState(uint32_t capacity) {
    return "medium cd-r\ncapacity " + std::to_string(capacity) +
           "\nclosed_sessions 1\nfinalized 1\nnext_start 11500\ntrack 1 1 0 100 0 1 0 4\n";
}

// READ CAPACITY's last block of the recorder at 0:target:0.
uint32_t LastBlock(Library& lib, uint8_t target) {
    Bytes reply(8);
    SRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_Target = target;
    srb.SRB_Flags = SRB_DIR_IN;
    srb.SRB_BufLen = 8;
    srb.SRB_BufPointer = reply.data();
    srb.SRB_CDBLen = 10;
    srb.CDBByte[0] = 0x25;
    lib.send(&srb);
    EXPECT_EQ(srb.SRB_Status, SS_COMP);
    return vrec::GetBE32(reply, 0);
}

}  // namespace

TEST(SharedLibrary, AnswersThroughItsTwoEntryPoints) {
    TempDir dir;
    WriteText(dir.File("disc.img.state"), ClosedDiscState(1000));
    WriteText(dir.File("vrec.conf"), "[recorder]\naddress = 0:1:0\nvendor = ACME\nproduct = WRITER 9000\n"
                                     "backing = disc.img\ncapacity = 1000\n");
    Library lib(dir, dir.File("vrec.conf").c_str());
    ASSERT_TRUE(lib.send && lib.info && lib.version);
    EXPECT_EQ(lib.info(), 0x0101u);
    EXPECT_EQ(lib.version(), 1u);

    Bytes reply(36);
    SRB_ExecSCSICmd srb{};
    srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    srb.SRB_Target = 1;
    srb.SRB_Flags = SRB_DIR_IN;
    srb.SRB_BufLen = 36;
    srb.SRB_BufPointer = reply.data();
    srb.SRB_CDBLen = 6;
    srb.CDBByte[0] = 0x12;
    srb.CDBByte[4] = 36;
    lib.send(&srb);
    EXPECT_EQ(srb.SRB_Status, SS_COMP);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(&reply[8]), 24), "ACME    WRITER 9000     ");
    EXPECT_EQ(LastBlock(lib, 1), 99u);  // the disc saved beside the configuration
}

TEST(SharedLibrary, WithoutAConfigurationOneBlankCdRecorderAtZero) {
    TempDir dir;
    WriteText(dir.File("virtual-disc.img.state"), ClosedDiscState(359849));
    auto previous = fs::current_path();
    fs::current_path(dir.Path());
    {
        Library lib(dir, nullptr);
        ASSERT_TRUE(lib.send && lib.info);
        EXPECT_EQ(lib.info(), 0x0101u);
        SRB_GetDiskInfo disk{};
    disk.SRB_Cmd = SC_GET_DISK_INFO;
        lib.send(&disk);
        EXPECT_EQ(disk.SRB_Status, SS_COMP);
        EXPECT_EQ(disk.SRB_Int13HDriveInfo, 4);  // E
        EXPECT_EQ(LastBlock(lib, 0), 99u);  // a CD-R of 80 minutes, at ./virtual-disc.img
    }
    fs::current_path(previous);
}

TEST(SharedLibrary, MalformedConfigurationNamesFileAndLineAndLeavesNoAdapter) {
    TempDir dir;
    std::string path = dir.File("bad.conf");
    WriteText(path, "# two recorders\n[recorder]\naddress = 0:0:0\nspeed_of_light = 3\n");
    testing::internal::CaptureStderr();
    {
        Library lib(dir, path.c_str());
        ASSERT_TRUE(lib.info);
        EXPECT_EQ(lib.info(), uint32_t{SS_NO_ADAPTERS} << 8);
        SRB_HAInquiry ha{};
        EXPECT_EQ(lib.send(&ha), SS_INVALID_HA);
    }
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(path + ":4: unknown key 'speed_of_light'"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
}
