// SPDX-License-Identifier: GPL-3.0-or-later
// The link over libusb, talking to the programmer's firmware behind the
// kernel's USB interface: opening, the protocol's transfers, and what the
// operator sees when the device stalls, halts, falls short or vanishes.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "emulator/firmware.h"
#include "link/clock.h"
#include "link/fatal_stop.h"
#include "link/link.h"
#include "link/usb/usb_backend.h"
#include "protocol/command_block.h"
#include "protocol/exchange.h"
#include "support/bytes.h"
#include "support/expect_fatal_stop.h"
#include "support/scripted_prompt.h"
#include "usb/usb_bus_fixture.h"

namespace dspprog::testing {
namespace {

using emu::Firmware;
using emu::PipeRole;

constexpr std::uint32_t kChipSize = 65536;
constexpr std::uint32_t kBlock = 4096;
constexpr std::array<std::uint8_t, 15> kIdent{0x29, 0x01, 0xAB, 0x05, 0x10, 0x20, 0x30, 0x40,
                                              0x50, 0x60, 0x70, 0x80, 0x90, 0xA0, 0xB0};

FatalStop::Kind StopKind(const std::function<void()>& action) {
    return ExpectFatalStop(action).kind();
}

class UsbLinkTest : public UsbBusFixture {
protected:
    void TearDown() override {
        link_.reset();
        backend_.reset();
        UsbBusFixture::TearDown();
    }

    // The programmer at 1-2, libusb started, a link on its path.
    void Start(UsbDeviceSpec spec = ProgrammerSpec()) {
        device_ = &bus_->Plug("1-2", std::move(spec), &firmware_);
        StartLibusb();
        backend_ = std::make_unique<UsbLinkBackend>(context_, diagnostics_);
        link_ = std::make_unique<Link>(*backend_, clock_, prompt_);
        link_->DevicePath = ProgrammerPath("1-2");
    }

    void Open() {
        Start();
        link_->Open();
    }

    // Sends a 16-byte command without reading its reply.
    void SendCommand(const Block16& cmd) { link_->WritePipe(*link_->CmdOut, cmd.data(), 16); }

    std::vector<std::string> Wire() {
        std::vector<std::string> lines;
        device_->WithFirmware([&](Firmware& fw) {
            for (const emu::WireBlock& block : fw.wire()) lines.push_back(FormatWireLine(block));
        });
        return lines;
    }

    std::vector<std::uint8_t> ReadBlocks(CommandChannel& channel, int count) {
        std::vector<std::uint8_t> image;
        std::array<std::uint8_t, kBlock> block{};
        for (int i = 0; i < count; ++i) {
            link_->ReadPipe(*link_->MainIn, block.data(), kBlock);
            image.insert(image.end(), block.begin(), block.end());
        }
        (void)channel;
        return image;
    }

    Firmware firmware_{emu::VirtualChip(kChipSize, kType255), kIdent};
    SteadyClock clock_;
    ScriptedPrompt prompt_{clock_, CriticalPrompt::kAbort};
    std::ostringstream diagnostics_;
    EmulatedUsbDevice* device_ = nullptr;
    std::unique_ptr<UsbLinkBackend> backend_;
    std::unique_ptr<Link> link_;
};

// --- Opening and closing -------------------------------------------------

TEST_F(UsbLinkTest, OpensFourExclusivePipesAndReleasesTheDeviceOnClose) {
    Open();
    EXPECT_EQ(device_->counts().claims, 1);

    const std::string path = link_->DevicePath;
    // Open already, beyond the interface, the wrong way round.
    EXPECT_FALSE(backend_->OpenPipe(*link_->DeviceHandle, path + "\\PIPE01", Access::Write));
    EXPECT_FALSE(backend_->OpenPipe(*link_->DeviceHandle, path + "\\PIPE04", Access::Read));
    EXPECT_FALSE(backend_->OpenPipe(*link_->DeviceHandle, path + "\\PIPE03", Access::Read));

    link_->Close();
    const EmulatedUsbDevice::Counts counts = device_->counts();
    EXPECT_EQ(counts.releases, 1);
    EXPECT_EQ(counts.pending, 0);
}

TEST_F(UsbLinkTest, TheInterfaceStaysClaimedUntilTheLastPipeHasClosed) {
    Open();
    link_->DeviceHandle->Close();
    EXPECT_EQ(device_->counts().releases, 0);
    link_->CmdIn->Close();
    link_->CmdOut->Close();
    link_->MainIn->Close();
    EXPECT_EQ(device_->counts().releases, 0);
    link_->MainOut->Close();
    EXPECT_EQ(device_->counts().releases, 1);
}

// A programmer that cannot be opened: the program stops, and the device is
// left as it was found.
class UsbOpenFailureTest;
struct UsbOpenFailureCase {
    const char* name;
    void (UsbOpenFailureTest::*arrange)();
    const char* pipe;        // the pipe the message names; none: the device's message
    const char* diagnostic;  // part of libusb's side of the story, when it tells one
    void (UsbOpenFailureTest::*check)();
};

void PrintTo(const UsbOpenFailureCase& c, std::ostream* out) {
    *out << c.name;
}

class UsbOpenFailureTest : public UsbLinkTest,
                           public ::testing::WithParamInterface<UsbOpenFailureCase> {
public:
    void NotThere() {
        Start();
        link_->DevicePath = ProgrammerPath("1-5");
    }
    void HeldElsewhere() {
        Start();
        device_->RefuseClaims();
    }
    // A device whose first endpoint sends where the replies should arrive.
    void WrongDirection() {
        UsbDeviceSpec reversed = ProgrammerSpec();
        reversed.interfaces[0].endpoints = {{0x01, 2}, {0x82, 2}, {0x83, 2}, {0x04, 2}};
        Start(reversed);
    }

    void NeverOpened() { EXPECT_EQ(device_->counts().opens, 0); }
    void NeverClaimed() { EXPECT_EQ(device_->counts().claims, 0); }
    void ReleasedOnClose() {
        link_->Close();
        EXPECT_EQ(device_->counts().releases, 1);
    }
};

TEST_P(UsbOpenFailureTest, StopsTheProgram) {
    const UsbOpenFailureCase& c = GetParam();
    (this->*c.arrange)();
    const std::string path = link_->DevicePath;
    const FatalStop stop = ExpectFatalStop([&] { link_->Open(); });
    EXPECT_EQ(stop.kind(), FatalStop::Kind::Halt);
    EXPECT_EQ(stop.message(), c.pipe ? "Ошибка открытия :" + path + c.pipe + "!"
                                     : std::string("Ошибка открытия USB устройства!"));
    if (c.diagnostic) {
        EXPECT_NE(diagnostics_.str().find(c.diagnostic), std::string::npos) << diagnostics_.str();
    }
    (this->*c.check)();
}

INSTANTIATE_TEST_SUITE_P(
    Opening, UsbOpenFailureTest,
    ::testing::Values(UsbOpenFailureCase{"AProgrammerThatIsNotThere", &UsbOpenFailureTest::NotThere,
                                         nullptr, " нет\n", &UsbOpenFailureTest::NeverOpened},
                      UsbOpenFailureCase{"AnInterfaceHeldElsewhereIsNotTakenOver",
                                         &UsbOpenFailureTest::HeldElsewhere, nullptr,
                                         "занят другой программой",
                                         &UsbOpenFailureTest::NeverClaimed},
                      UsbOpenFailureCase{"AnEndpointOfTheWrongDirection",
                                         &UsbOpenFailureTest::WrongDirection, "\\PIPE00", nullptr,
                                         &UsbOpenFailureTest::ReleasedOnClose}),
    [](const ::testing::TestParamInfo<UsbOpenFailureCase>& test) {
        return std::string(test.param.name);
    });

// --- The protocol's transfers ------------------------------------------------

TEST_F(UsbLinkTest, IdentifiesTheProgrammer) {
    Open();
    CommandChannel channel(*link_);
    FillGetIdent(channel.CmdBuf);
    EXPECT_EQ(channel.DoCommand(), 0);

    EXPECT_TRUE(std::equal(kIdent.begin(), kIdent.end(), channel.ReplyBuf.begin() + 1));
    EXPECT_EQ(link_->TimeoutFactor(), 3u);
    EXPECT_EQ(Wire(), (std::vector<std::string>{
                          "CmdOut 80 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00",
                          "CmdIn 00 29 01 AB 05 10 20 30 40 50 60 70 80 90 A0 B0",
                      }));
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(UsbLinkTest, ReadsAWholeChip) {
    const std::vector<std::uint8_t> content = Pattern(kChipSize, 7);
    firmware_.chip().content() = content;
    Open();

    CommandChannel channel(*link_);
    FillBurstRead(channel.CmdBuf, kChipSize);
    ASSERT_EQ(channel.DoCommand(), 0);
    const std::vector<std::uint8_t> image = ReadBlocks(channel, kChipSize / kBlock);
    EXPECT_EQ(channel.ReadCompletion(), 0);

    EXPECT_TRUE(image == content) << "the image differs from the chip";
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(UsbLinkTest, WritesAChipAndReadsItBackForVerification) {
    const std::vector<std::uint8_t> image = Pattern(kChipSize, 99);
    Open();

    CommandChannel channel(*link_);
    ASSERT_TRUE(FillAlgorithmWrite(channel.CmdBuf, kChipSize, 1));
    ASSERT_EQ(channel.DoCommand(), 0);
    for (std::uint32_t offset = 0; offset < kChipSize; offset += kBlock)
        link_->WritePipe(*link_->MainOut, image.data() + offset, kBlock);
    EXPECT_EQ(channel.ReadCompletion(), 0);

    std::vector<std::uint8_t> programmed;
    device_->WithFirmware([&](Firmware& fw) { programmed = fw.chip().content(); });
    EXPECT_TRUE(programmed == image) << "the chip differs from the image";

    FillVerifyRead(channel.CmdBuf, kChipSize);
    ASSERT_EQ(channel.DoCommand(), 0);
    EXPECT_TRUE(ReadBlocks(channel, kChipSize / kBlock) == image) << "the read-back differs";
    EXPECT_EQ(channel.ReadCompletion(), 0);
}

TEST_F(UsbLinkTest, CarriesTheSpeedTestSeries) {
    Open();
    const std::vector<std::uint8_t> test_block = Pattern(kBlock, 3);
    const std::uint32_t factor = link_->TimeoutFactor();
    for (int i = 0; i < 1001; ++i) link_->WritePipe(*link_->CmdOut, test_block.data(), kBlock);
    for (int i = 0; i < 1001; ++i) link_->WritePipe(*link_->MainOut, test_block.data(), kBlock);
    EXPECT_EQ(link_->TimeoutFactor(), factor + 2002);

    int cmd_out = 0;
    int main_out = 0;
    bool in_order = true;
    bool intact = true;
    device_->WithFirmware([&](Firmware& fw) {
        for (const emu::WireBlock& block : fw.wire()) {
            if (block.pipe == PipeRole::CmdOut) {
                ++cmd_out;
                in_order = in_order && main_out == 0;
            } else if (block.pipe == PipeRole::MainOut) {
                ++main_out;
            }
            intact = intact && block.bytes == test_block;
        }
    });
    EXPECT_EQ(cmd_out, 1001);
    EXPECT_EQ(main_out, 1001);
    EXPECT_TRUE(in_order);
    EXPECT_TRUE(intact);
}

// --- Failures ---------------------------------------------------------------

// With TimeoutFactor 0 a deadline is now: the prompt comes at once instead of
// after the 5 or 10 s of a real wait.

// A transfer that stalls, falls short or halts: the operator is told what is
// missing, and "Завершить" ends the program.
class UsbStallTest;
struct UsbStallCase {
    const char* name;
    std::function<void()> (UsbStallTest::*arrange)();  // gives the transfer that stalls
    const char* message;
    void (UsbStallTest::*check)();
};

void PrintTo(const UsbStallCase& c, std::ostream* out) {
    *out << c.name;
}

class UsbStallTest : public UsbLinkTest, public ::testing::WithParamInterface<UsbStallCase> {
public:
    std::function<void()> ReplyNeverComes() {
        firmware_.faults().stall_from[static_cast<int>(PipeRole::CmdIn)] = 0;
        Open();
        FillGetIdent(channel_->CmdBuf);
        SendCommand(channel_->CmdBuf);
        link_->SetTimeoutFactor(0);
        return [this] { channel_->ReadCompletion(); };
    }
    std::function<void()> ShortBlock() {
        firmware_.faults().short_from[static_cast<int>(PipeRole::MainIn)] = 0;
        Open();
        FillBurstRead(channel_->CmdBuf, kChipSize);
        EXPECT_EQ(channel_->DoCommand(), 0);
        return [this] { ReadBlock(); };
    }
    std::function<void()> HaltedEndpoint() {
        Open();
        device_->HaltNext(kDataIn);
        link_->SetTimeoutFactor(0);
        return [this] { ReadBlock(); };
    }

    // Terminate cancels the transfer; the device is released on close.
    void CancelledAndReleased() {
        link_->Close();
        const EmulatedUsbDevice::Counts counts = device_->counts();
        EXPECT_EQ(counts.discards, 1);
        EXPECT_EQ(counts.pending, 0);
        EXPECT_EQ(counts.releases, 1);
    }
    void Nothing() {}
    void HaltCleared() { EXPECT_EQ(device_->counts().clear_halts[kDataIn], 1); }

private:
    void ReadBlock() {
        std::vector<std::uint8_t> buffer(kBlock);
        link_->ReadPipe(*link_->MainIn, buffer.data(), kBlock);
    }

    void Open() {
        UsbLinkTest::Open();
        channel_ = std::make_unique<CommandChannel>(*link_);
    }

    std::unique_ptr<CommandChannel> channel_;
};

TEST_P(UsbStallTest, EndsAtTheOperatorsWordWithWhatIsMissing) {
    const UsbStallCase& c = GetParam();
    const std::function<void()> transfer = (this->*c.arrange)();
    EXPECT_EQ(StopKind(transfer), FatalStop::Kind::Terminated);
    EXPECT_EQ(prompt_.messages(), std::vector<std::string>{c.message});
    (this->*c.check)();
}

INSTANTIATE_TEST_SUITE_P(
    Transfers, UsbStallTest,
    ::testing::Values(UsbStallCase{"AReplyThatNeverComes", &UsbStallTest::ReplyNeverComes,
                                   "Из USB не считано :16 байт!",
                                   &UsbStallTest::CancelledAndReleased},
                      UsbStallCase{"AShortBlock", &UsbStallTest::ShortBlock,
                                   "Из USB не считано :4032 байт!", &UsbStallTest::Nothing},
                      UsbStallCase{"AHaltedEndpoint", &UsbStallTest::HaltedEndpoint,
                                   "Из USB не считано :4096 байт!", &UsbStallTest::HaltCleared}),
    [](const ::testing::TestParamInfo<UsbStallCase>& test) {
        return std::string(test.param.name);
    });

TEST_F(UsbLinkTest, AReplyThatComesWhileTheOperatorWaitsIsTakenWithoutResending) {
    firmware_.faults().stall_from[static_cast<int>(PipeRole::CmdIn)] = 0;
    Open();
    CommandChannel channel(*link_);
    FillGetIdent(channel.CmdBuf);
    SendCommand(channel.CmdBuf);

    link_->SetTimeoutFactor(0);
    prompt_.Script({CriticalPrompt::kRetry});
    prompt_.OnShow([&](std::size_t, const std::string&) {
        device_->WithFirmware(
            [](Firmware& fw) { fw.faults().stall_from[static_cast<int>(PipeRole::CmdIn)] = -1; });
    });
    EXPECT_EQ(channel.ReadCompletion(), 0);

    EXPECT_EQ(prompt_.messages(), std::vector<std::string>{"Из USB не считано :16 байт!"});
    EXPECT_TRUE(std::equal(kIdent.begin(), kIdent.end(), channel.ReplyBuf.begin() + 1));
    EXPECT_EQ(Wire().size(), 2u);  // one command, one reply
    EXPECT_EQ(link_->TimeoutFactor(), 2u);
}

TEST_F(UsbLinkTest, ABlockCutOffAtTheDeadlineGoesOnFromWhereItStopped) {
    Open();
    const std::vector<std::uint8_t> block = Pattern(kBlock, 11);
    device_->DeliverInPieces(kDataIn, block, 1000);

    link_->SetTimeoutFactor(0);
    prompt_.Script({CriticalPrompt::kRetry});
    std::vector<std::uint8_t> buffer(kBlock, 0xEE);
    link_->ReadPipe(*link_->MainIn, buffer.data(), kBlock);

    // The operator is told what is still missing; nothing arrives twice.
    EXPECT_EQ(prompt_.messages(), std::vector<std::string>{"Из USB не считано :3096 байт!"});
    EXPECT_TRUE(buffer == block);
    EXPECT_EQ(device_->counts().discards, 1);
}

// A driver that does not end a cancelled transfer: the caller has let go of
// its buffer long before the transfer's bytes land, and the device is closed
// only once they have.
TEST_F(UsbLinkTest, ATransferThatOutlivesItsCancellationKeepsOffTheCallersBuffer) {
    firmware_.faults().stall_from[static_cast<int>(PipeRole::MainIn)] = 0;
    Open();
    device_->HoldDiscards();
    std::vector<std::uint8_t> buffer(kBlock, 0xEE);
    link_->MainIn->StartRead(buffer.data(), kBlock);
    device_->AwaitPending(1);
    link_->MainIn->Cancel();

    device_->EndHeldDiscards(0x55);
    link_->Close();
    EXPECT_TRUE(buffer == std::vector<std::uint8_t>(kBlock, 0xEE));
    const EmulatedUsbDevice::Counts counts = device_->counts();
    EXPECT_EQ(counts.pending, 0);
    EXPECT_EQ(counts.releases, 1);
}

// --- A programmer that is unplugged --------------------------------------------

// Gone while the block waits on the wire, the kernel ends the URB
// (LIBUSB_TRANSFER_NO_DEVICE); gone before the block is sent, the submission
// fails (LIBUSB_ERROR_NO_DEVICE).
enum class Unplugged { WhileOnTheWire, BeforeTheTransfer };

class UsbUnplugTest : public UsbLinkTest, public ::testing::WithParamInterface<Unplugged> {};

TEST_P(UsbUnplugTest, AProgrammerUnpluggedMidReadStopsTheProgramAtOnce) {
    firmware_.chip().content() = Pattern(kChipSize, 5);
    // The sixth data block does not come; the programmer is pulled meanwhile.
    firmware_.faults().stall_from[static_cast<int>(PipeRole::MainIn)] = 5;
    Open();
    CommandChannel channel(*link_);
    FillBurstRead(channel.CmdBuf, kChipSize);
    ASSERT_EQ(channel.DoCommand(), 0);
    ReadBlocks(channel, 5);

    std::thread unplug;
    if (GetParam() == Unplugged::BeforeTheTransfer) {
        device_->Unplug();
    } else {
        unplug = std::thread([&] {
            device_->AwaitPending(1);
            device_->Unplug();
        });
    }
    // The block's deadline is 5 s away; the stop must not wait for it.
    link_->SetTimeoutFactor(1);
    std::vector<std::uint8_t> buffer(kBlock);
    const auto started = std::chrono::steady_clock::now();
    const FatalStop stop =
        ExpectFatalStop([&] { link_->ReadPipe(*link_->MainIn, buffer.data(), kBlock); });
    const auto waited = std::chrono::steady_clock::now() - started;
    if (unplug.joinable()) unplug.join();

    EXPECT_EQ(stop.kind(), FatalStop::Kind::Halt);
    EXPECT_EQ(stop.message(), "Программатор отключен от USB!");
    EXPECT_TRUE(prompt_.shown().empty());
    EXPECT_LT(waited, std::chrono::seconds(1));

    link_->Close();
    EXPECT_EQ(device_->counts().pending, 0);
}

INSTANTIATE_TEST_SUITE_P(EitherWay, UsbUnplugTest,
                         ::testing::Values(Unplugged::WhileOnTheWire, Unplugged::BeforeTheTransfer),
                         [](const ::testing::TestParamInfo<Unplugged>& test) {
                             return test.param == Unplugged::WhileOnTheWire ? "WhileOnTheWire"
                                                                            : "BeforeTheTransfer";
                         });

}  // namespace
}  // namespace dspprog::testing
