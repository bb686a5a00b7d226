// One generated scenario: the plug-in module loaded afresh, the stand-ins
// put into their seeded misbehaviour mode, then a drawn sequence of host
// calls (start-up and shut-down, identification and loading of files and
// streams, the dialog with Apply, OK and Cancel, several threads at once,
// start-ups and commits held at one of their calls), each followed by the
// property checks; at the end the module is unloaded and the settings file
// is checked.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <atomic>
#include <thread>

#include "testbed/host/host_stream.h"
#include "testbed/host/host_testbed_control.h"
#include "testbed/host/plugin_binding.h"
#include "testbed/imagelib/tbim_image.h"
#include "tests/explore/exploration.h"
#include "tests/explore/held_calls.h"
#include "tests/explore/plugin_gdi_tally.h"
#include "tests/explore/scenario_checks.h"
#include "tests/explore/settings_file_check.h"
#include "settings/plugin_settings.h"
#include "tests/support/config_dialog_session.h"
#include "tests/support/dialog_driver.h"
#include "tests/support/stand_in_library.h"
#include "tests/support/test_files.h"

namespace {

constexpr DWORD kProbeTimeoutMs = 20000;
const wchar_t* const kSamples[] = {
    L"gradient.bmp", L"gradient.gif", L"gradient.jpg",  L"gradient.png",       L"gradient.ppm",
    L"gradient.tga", L"gradient_alpha.png", L"gradient_grey.pgm", L"gradient_grey.png", L"gradient_transparent.gif",
};

std::wstring g_configFolder;

// Presses OK on the message box the plug-in shows when a save fails, while
// a commit runs on this thread.
class MessageBoxDismisser {
public:
    MessageBoxDismisser()
        : thread_([this] {
              JoinScenarioDesktop();
              while (!stop_) {
                  EnumWindows(&MessageBoxDismisser::Dismiss, reinterpret_cast<LPARAM>(this));
                  Sleep(10);
              }
          })
    {
    }
    ~MessageBoxDismisser() { Finish(); }
    // Stops dismissing; the message boxes seen, each once.
    size_t Finish()
    {
        if (thread_.joinable()) {
            stop_ = true;
            thread_.join();
        }
        return boxes_.size();
    }
    MessageBoxDismisser(const MessageBoxDismisser&) = delete;
    MessageBoxDismisser& operator=(const MessageBoxDismisser&) = delete;

private:
    static BOOL CALLBACK Dismiss(HWND window, LPARAM self)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t caption[64] = {};
        if (process == GetCurrentProcessId() && InternalGetWindowText(window, caption, 64) &&
            wcscmp(caption, kMessageCaption) == 0) {
            reinterpret_cast<MessageBoxDismisser*>(self)->boxes_.insert(window);
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        }
        return TRUE;
    }

    std::atomic<bool> stop_{false};
    std::set<HWND> boxes_;  // written by the dismissing thread only
    std::thread thread_;
};
std::wstring g_filesFolder;

// One input the scenario identifies and loads.
struct Input {
    std::wstring path;          // a file holding bytes (or a path to nothing)
    std::vector<uint8_t> bytes;
    bool decodable = false;     // a small image every honest library decodes
    int32_t width = 0, height = 0;
    int dibLimit = 0;           // +1: described just above the DIB limit (no pixels follow)
};

std::vector<uint8_t> Garbage(Rng& rng)
{
    std::vector<uint8_t> bytes(1 + rng.Below(64));
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(rng.Next());
    if (rng.Chance(500))
        memcpy(bytes.data(), kTestbedMagic, std::min<size_t>(4, bytes.size()));
    return bytes;
}

TbimImage DrawTbim(Rng& rng, bool& decodable)
{
    TbimImage image;
    decodable = true;
    const uint32_t shape = rng.Below(100);
    image.width = 1 + static_cast<int32_t>(rng.Below(shape < 10 ? 300 : 12));
    image.height = 1 + static_cast<int32_t>(rng.Below(12));
    if (shape >= 95) {  // dimensions no DIB can take: the stand-in then holds no pixels
        decodable = false;
        const int32_t odd[] = {0, -1, -70000, 70000, INT32_MAX, INT32_MIN};
        image.width = odd[rng.Below(6)];
        image.height = odd[rng.Below(6)];
        if (image.width > 0 && image.height > 0)
            image.height = 70000;
        return image;
    }
    const uint16_t layouts[] = {0, 0x02, 0x10, 0x20, 0x80, 0x100, 0x200, 0x3A0, 0x8000};
    image.layout = layouts[rng.Below(9)];
    image.bgra = rng.Chance(300);
    const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    if (image.bgra) {
        image.pixels.resize(count * 4);
        for (uint8_t& b : image.pixels)
            b = static_cast<uint8_t>(rng.Next());
    } else {
        image.hasColorMap = rng.Chance(700);
        for (int channel = 0; channel < 3; ++channel)
            for (int i = 0; i < 256; ++i)
                image.colorMap[channel][i] = static_cast<uint8_t>(rng.Below(4) * 85);
        const uint32_t colours = 1 + rng.Below(8);
        image.pixels.resize(count);
        for (uint8_t& b : image.pixels)
            b = static_cast<uint8_t>(rng.Below(colours));
    }
    const int16_t indices[] = {-1, -1, 0, 1, 2, 5, 255, 256, 300, -2, INT16_MIN};
    image.transparentIndex = indices[rng.Below(11)];
    return image;
}

std::vector<Input> DrawInputs(Rng& rng)
{
    std::vector<Input> inputs;
    const uint32_t count = 3 + rng.Below(3);
    for (uint32_t i = 0; i < count; ++i) {
        Input input;
        const uint32_t kind = rng.Below(100);
        if (kind < 6) {
            // Above the DIB limit: a header only, refused before any decode.
            // Otherwise an image larger than the common ones (256 KiB of
            // DIB), which every limit below the DIB's own must let through.
            TbimImage image;
            if (rng.Chance(500)) {
                input.dibLimit = 1;
                image.width = 23171;  // 23171^2 * 4 = 2^31 + 96932
                image.height = 23171;
            } else {
                image.width = 256;
                image.height = 256;
                image.pixels.assign(256 * 256, static_cast<uint8_t>(rng.Below(4)));
                input.decodable = true;
            }
            input.bytes = image.Bytes();
            input.width = image.width;
            input.height = image.height;
        } else if (kind < 60) {
            bool decodable = false;
            const TbimImage image = DrawTbim(rng, decodable);
            input.bytes = image.Bytes();
            input.decodable = decodable;
            input.width = image.width;
            input.height = image.height;
        } else if (kind < 85) {
            input.path = TestDataFile(kSamples[rng.Below(10)]);
            input.bytes = ReadFileBytes(input.path);
            input.decodable = true;
        } else if (kind < 95) {
            input.bytes = Garbage(rng);
        } else {
            input.path = g_filesFolder + L"\\missing" + std::to_wstring(i) + L".tbim";
        }
        if (input.path.empty()) {
            const wchar_t* names[] = {L".tbim", L".png", L".x", L".JPG", L"", L".a.b"};
            input.path = g_filesFolder + L"\\input" + std::to_wstring(i) + names[rng.Below(6)];
            WriteFileBytes(input.path, input.bytes);
        }
        inputs.push_back(std::move(input));
    }
    return inputs;
}

bool EndsWithIgnoringAsciiCase(const std::wstring& name, const std::wstring& ending)
{
    if (ending.size() > name.size())
        return false;
    const size_t offset = name.size() - ending.size();
    for (size_t i = 0; i < ending.size(); ++i) {
        wchar_t a = name[offset + i], b = ending[i];
        if (a >= L'A' && a <= L'Z') a = static_cast<wchar_t>(a + 32);
        if (b >= L'A' && b <= L'Z') b = static_cast<wchar_t>(b + 32);
        if (a != b)
            return false;
    }
    return true;
}

class Scenario {
public:
    Scenario(uint64_t seed, ScenarioResult& result, bool verbose)
        : seed_(seed), rng_(seed), log_(result, verbose), library_(StandInLibrary()), result_(result)
    {
    }

    void Run();

private:
    void Say(const char* format, ...);
    bool Quiet() const { return libraryRate_ == 0 && hostRate_ == 0; }
    void Quiescent(const char* after) { CheckQuiescent(log_, library_, after); }

    // The steps.
    void Start(bool held);
    void Stop();
    void IdentifyPlugin();
    void IdentifyFile(const Input& input, const dvp::PluginExports& plugin, bool onProbe = false);
    void IdentifyStream(const Input& input, const dvp::PluginExports& plugin, bool onProbe = false);
    // onProbe: called while another call runs, with what is known of the binding.
    void LoadFile(const Input& input, const dvp::PluginExports& plugin, bool abortSignalled = false,
                  bool onProbe = false, std::optional<bool> boundNow = std::nullopt);
    void LoadStream(const Input& input, const dvp::PluginExports& plugin);
    // emptyTheList: every item removed, then OK (a save with one node besides the root's).
    void Dialog(bool held, bool emptyTheList = false);
    void Burst();
    void ExpectExcludedRefused(const std::vector<std::wstring>& excluded);
    // What a call must answer, from what the scenario knows and the
    // deviations the call met (taken on the calling thread).
    Expect IdentifyExpectation(const Input& input, const wchar_t* name, bool stream,
                               const std::vector<std::string>& drawn) const;
    Expect LoadExpectation(const Input& input, bool abortSignalled, const std::vector<std::string>& drawn) const;
    std::vector<std::string> Drawn() const { return TakeDrawnOnThisThread(library_); }

    uint64_t seed_;
    Rng rng_;
    FindingLog log_;
    const LibraryControl& library_;
    ScenarioResult& result_;
    uint32_t libraryRate_ = 0, hostRate_ = 0;
    LoadedPlugin module_;
    dvp::PluginExports plugin_;
    int count_ = 0;               // successful DVP_InitEx not yet balanced
    // Whether the library is bound: not before the first start-up of a fresh
    // module; unknown when the module stayed loaded from an earlier scenario
    // (a dialog pins it).
    std::optional<bool> libraryBound_;
    std::optional<std::set<std::wstring>> excluded_;  // the process-wide list, when known
    std::optional<bool> useForStreams_;
    std::vector<CommittedSettings> commits_;
    // The settings model: what the file holds as the plug-in reads it.
    SettingsFileState file_;
    bool fileKnown_ = true;
    bool owned_ = false;        // the file's bytes are the plug-in's own save
    bool mayHaveRead_ = false;  // a start-up may have read the file's present bytes
    bool hostDamaged_ = false;  // a save reported failed wrote into the file
    bool freshModule_ = false;  // the plug-in was loaded afresh for this scenario
    SettingsFileState reference_;  // the file as it was first drawn, or as another program last wrote it
    std::optional<CommittedSettings> lastSaved_;
    std::optional<std::vector<uint8_t>> firstBackup_;
    // Draws for another program writing the settings file now and then; kept
    // apart from rng_, so the scenario's own draws stay as they were.
    Rng elsewhere_{seed_ ^ 0x5E77155E77155E77ull};
    void SettingsFileWrittenElsewhere();
    void ProbeSettingsInForce();
    void JudgeCommit(const std::vector<uint8_t>& before, bool existed, bool reportedFailed,
                     const std::vector<std::string>& drawn);
    void JudgeBackups();
    std::vector<Input> inputs_;
    ProbeThread probe_;
    DWORD started_ = GetTickCount();
};

void Scenario::Say(const char* format, ...)
{
    if (!log_.verbose())
        return;
    va_list args;
    va_start(args, format);
    fprintf(stderr, "  [%5lu ms] ", GetTickCount() - started_);
    vfprintf(stderr, format, args);
    fprintf(stderr, "\n");
    va_end(args);
}

void Scenario::Start(bool held)
{
    const bool first = count_ == 0;
    dvp::InitExRecord record = rng_.Chance(50) ? dvp::HostRecord(8, 65535, 65535, 65535) : dvp::HostRecord(13);
    const bool oldHost = record.hostVersionHigh < 0x00090000;
    std::unique_ptr<CallHold> hold;
    if (held && first) {
        const char* const calls[] = {
            "GetProgramDirW", "gflGetVersion", "gflSetPluginsPathnameW", "gflLibraryInit", "gflGetNumberOfFormat",
            "gflGetFormatInformationByIndex", "gflFormatIsReadableByIndex", "GetConfigPathW", "XMLLoadFileW",
            "XMLGetNodeNameW", "XMLFirstChildNode", "XMLNextNode", "XMLGetNodeValueW", "XMLGetNodeBoolValue",
            "XMLFreeFile"};
        const std::string target = calls[rng_.Below(15)];
        // Most of these come once per start-up; some come once per format or node.
        const int occurrence = rng_.Chance(700) ? 1 : 2 + static_cast<int>(rng_.Below(2));
        hold = std::make_unique<CallHold>(library_, target, occurrence, [this](const std::string& call) {
            // Until the settings are loaded the plug-in is not initialised;
            // loading works once the library is bound.
            const bool afterBinding = call.rfind("XML", 0) == 0 || call == "GetConfigPathW" ||
                               call == "gflGetNumberOfFormat" || call == "gflGetFormatInformationByIndex" ||
                               call == "gflFormatIsReadableByIndex";
            const std::optional<bool> bound =
                afterBinding || libraryBound_.value_or(false) ? std::optional<bool>(true) : libraryBound_;
            log_.CountHeld();
            const Input& input = rng_.Pick(inputs_);
            const bool done = probe_.Run(
                [&] {
                    Say("  start-up held in %s: probing", call.c_str());
                    PatternedRecord fileRecord(rng_.Next(), 64, true);
                    const BOOL file = plugin_.IdentifyFileW(nullptr, input.path.c_str(), &fileRecord.record, nullptr);
                    CheckIdentify(log_, library_, file, fileRecord, "DVP_IdentifyFileW during start-up");
                    if (file != FALSE)
                        log_.Fail("held-start-up", "identified a file while start-up held in " + call);
                    Say("  identified the file: %d", file);
                    dvp::PluginInfoRecord info{};
                    info.size = sizeof(info);
                    plugin_.IdentifyW(&info);
                    if (info.icon)
                        DestroyIcon(info.icon);  // the host's to destroy
                    Say("  identified the plug-in");
                    if (info.handledExtensions)
                        log_.Fail("held-start-up", "handled extensions published while held in " + call);
                    HWND dialog = plugin_.Configure(nullptr, nullptr, 0);
                    if (dialog) {
                        log_.Fail("held-start-up", "a dialog opened while start-up held in " + call);
                        DestroyWindow(dialog);
                    }
                    Say("  configured");
                    dvp::UsbSafeRecord usb{};
                    if (plugin_.USBSafe(&usb) != TRUE || !usb.otherExports)
                        log_.Fail("held-start-up", "DVP_USBSafe failed while start-up held in " + call);
                    LoadFile(input, plugin_, false, true, bound);
                    Say("  loaded");
                },
                kProbeTimeoutMs);
            if (!done) {
                log_.Fail("blocked", "a call on another thread did not return while start-up held in " + call);
                printf("F %llu blocked held start-up in %s\n", static_cast<unsigned long long>(seed_), call.c_str());
                fflush(stdout);
                TerminateProcess(GetCurrentProcess(), 0xB10C);
            }
        });
    }
    Drawn();
    const BOOL answer = plugin_.InitEx(&record);
    const std::vector<std::string> drawn = Drawn();
    log_.CountCall();
    Say("DVP_InitEx(version %s)%s -> %d%s", oldHost ? "8.x" : "13", held ? " held" : "", answer,
        hold ? (hold->held() ? " (held in " + hold->call() + ")" : " (" + hold->call() + " not reached)").c_str() : "");
    if (hold && hold->held())
        result_.moments.push_back("start-up held in " + hold->call());
    hold.reset();
    if (answer != TRUE && answer != FALSE)
        log_.Fail("answer", "DVP_InitEx answered " + std::to_string(answer));
    if (!first) {
        if (answer != TRUE)
            log_.Fail("start-up", "a later DVP_InitEx did not only count");
        ++count_;
    } else if (answer == TRUE) {
        if (oldHost)
            log_.Fail("start-up", "a host older than 9.0.0.0 was accepted");
        ++count_;
        libraryBound_ = true;
        excluded_.reset();
        useForStreams_.reset();
        // Settings in force: the file's when the host read it quietly and
        // it is readable, else the defaults; unknown after a deviation in
        // the read.
        bool readQuiet = true;
        for (const std::string& kind : drawn)
            for (const char* read : {"GetConfigPathW", "XMLLoadFileW", "XMLGetNode", "XMLFirstChildNode", "XMLNextNode"})
                readQuiet = readQuiet && kind.rfind(read, 0) != 0;
        if (readQuiet && fileKnown_) {
            if (file_.existed && file_.readable) {
                excluded_ = std::set<std::wstring>(file_.excluded.begin(), file_.excluded.end());
                useForStreams_ = file_.useForStreams;
                mayHaveRead_ = true;
            } else {
                excluded_ = std::set<std::wstring>(DefaultExcludedExtensions.begin(), DefaultExcludedExtensions.end());
                useForStreams_ = true;
            }
            ProbeSettingsInForce();
        } else {
            mayHaveRead_ = true;
        }
        JudgeBackups();
    } else {
        if (!oldHost && Quiet())
            log_.Fail("start-up", "start-up failed with no deviation drawn");
        dvp::PluginInfoRecord info{};
        info.size = sizeof(info);
        plugin_.IdentifyW(&info);
        if (info.icon)
            DestroyIcon(info.icon);  // the host's to destroy
        if (info.handledExtensions)
            log_.Fail("start-up", "a failed start-up left handled extensions published");
    }
    Quiescent("DVP_InitEx");
}

void Scenario::Stop()
{
    plugin_.Uninit();
    log_.CountCall();
    if (count_ > 0 && --count_ == 0) {
        excluded_.reset();
        useForStreams_.reset();
    }
    Say("DVP_Uninit -> count %d", count_);
    Quiescent("DVP_Uninit");
}

void Scenario::IdentifyPlugin()
{
    dvp::PluginInfoRecord info{};
    info.size = sizeof(info);
    plugin_.IdentifyW(&info);
    if (info.icon)
        DestroyIcon(info.icon);  // the host's to destroy
    if (count_ == 0 && info.handledExtensions)
        log_.Fail("handled-extensions", "published while not initialised");
    CheckHandledExtensions(log_, info.handledExtensions);
    Say("DVP_IdentifyW -> %s", info.handledExtensions ? "text" : "null");
}

Expect Scenario::IdentifyExpectation(const Input& input, const wchar_t* name, bool stream,
                                     const std::vector<std::string>& drawn) const
{
    if (count_ == 0 || (stream && useForStreams_ == false))
        return Expect::Refusal;
    if (name && *name) {
        if (!excluded_)
            return Expect::Either;
        for (const std::wstring& entry : *excluded_)
            if (EndsWithIgnoringAsciiCase(name, entry))
                return Expect::Refusal;
    }
    if ((stream && useForStreams_ != true) || !input.decodable || MayRefuseIdentification(drawn))
        return Expect::Either;
    return Expect::Answer;
}

Expect Scenario::LoadExpectation(const Input& input, bool abortSignalled, const std::vector<std::string>& drawn) const
{
    if (libraryBound_ == false)
        return Expect::Refusal;
    if (abortSignalled)
        return libraryRate_ == 0 ? Expect::Refusal : Expect::Either;
    if (libraryBound_ != true || !input.decodable || MayRefuseLoad(drawn))
        return Expect::Either;
    return Expect::Answer;
}

void Scenario::IdentifyFile(const Input& input, const dvp::PluginExports& plugin, bool onProbe)
{
    PatternedRecord record(rng_.Next(), rng_.Chance(200) ? rng_.Below(12) : 128, !rng_.Chance(100));
    Drawn();
    const BOOL answer = plugin.IdentifyFileW(nullptr, input.path.c_str(), &record.record, nullptr);
    const Expect expect = onProbe ? Expect::Either : IdentifyExpectation(input, input.path.c_str(), false, Drawn());
    CheckIdentify(log_, library_, answer, record, "DVP_IdentifyFileW", expect);
    if (onProbe)
        return;
    Say("DVP_IdentifyFileW(%ls) -> %d", input.path.c_str(), answer);
    if (answer == TRUE && count_ == 0)
        log_.Fail("identify", "a file identified while not initialised");
    if (answer == TRUE && excluded_)
        for (const std::wstring& entry : *excluded_)
            if (EndsWithIgnoringAsciiCase(input.path, entry))
                log_.Fail("identify-excluded", "identified a name ending in excluded " +
                                                   std::string(entry.begin(), entry.end()));
    Quiescent("DVP_IdentifyFileW");
}

void Scenario::IdentifyStream(const Input& input, const dvp::PluginExports& plugin, bool onProbe)
{
    PatternedRecord record(rng_.Next(), 128, true);
    IStream* stream = HostStream::Create(input.bytes, rng_.Next(), hostRate_);
    const wchar_t* name = rng_.Chance(200) ? nullptr : input.path.c_str();
    Drawn();
    const BOOL answer = plugin.IdentifyFileStreamW(nullptr, stream, name, &record.record);
    const Expect expect = onProbe ? Expect::Either : IdentifyExpectation(input, name, true, Drawn());
    CheckIdentify(log_, library_, answer, record, "DVP_IdentifyFileStreamW", expect);
    const ULONG references = stream->AddRef();
    stream->Release();
    stream->Release();
    if (references != 2)
        log_.Fail("stream-references", "the stream's references were not balanced");
    if (onProbe)
        return;
    Say("DVP_IdentifyFileStreamW(%ls) -> %d", name ? name : L"(null)", answer);
    if (answer == TRUE && (count_ == 0 || (useForStreams_ && !*useForStreams_)))
        log_.Fail("identify", "a stream identified while not initialised or streams declined");
    Quiescent("DVP_IdentifyFileStreamW");
}

void Scenario::LoadFile(const Input& input, const dvp::PluginExports& plugin, bool abortSignalled, bool onProbe,
                        std::optional<bool> boundNow)
{
    PatternedRecord record(rng_.Next(), 64, true);
    UniqueKernelHandle abort(abortSignalled ? CreateEventW(nullptr, TRUE, TRUE, nullptr) : nullptr);
    Drawn();
    const int32_t decodesBefore = library_.Counters().calls[kTbLoadBitmapW];
    const HBITMAP bitmap =
        plugin.LoadBitmapW(nullptr, input.path.c_str(), &record.record, nullptr, abort.get());
    const std::vector<std::string> drawn = Drawn();
    const Expect expect = onProbe ? Expect::Either : LoadExpectation(input, abortSignalled, drawn);
    // A size just above the DIB limit is refused before any decode.
    if (!onProbe && input.dibLimit != 0 && drawn.empty() && libraryBound_ == true) {
        const bool decoded = library_.Counters().calls[kTbLoadBitmapW] != decodesBefore;
        if (input.dibLimit > 0 && (decoded || bitmap))
            log_.Fail("dib-limit", "an image described above the DIB limit was decoded");
    }
    const bool returned = CheckLoad(log_, library_, bitmap, record, "DVP_LoadBitmapW", expect);
    if (onProbe) {
        if (boundNow == false && returned)
            log_.Fail("held-start-up", "a DIB came back before the library was bound");
        return;
    }
    Say("DVP_LoadBitmapW(%ls%s) -> %s", input.path.c_str(), abortSignalled ? ", aborted" : "",
        returned ? "DIB" : "null");
    if (returned && libraryBound_ == false)
        log_.Fail("load", "a DIB came back before the library was ever bound");
    if (returned && abortSignalled && libraryRate_ == 0)
        log_.Fail("load", "a load with its abort event signalled returned a DIB");
    Quiescent("DVP_LoadBitmapW");
}

void Scenario::LoadStream(const Input& input, const dvp::PluginExports& plugin)
{
    PatternedRecord record(rng_.Next(), 64, true);
    IStream* stream = HostStream::Create(input.bytes, rng_.Next(), hostRate_);
    Drawn();
    const HBITMAP bitmap = plugin.LoadBitmapStreamW(nullptr, stream, nullptr, &record.record, nullptr, nullptr);
    const bool returned = CheckLoad(log_, library_, bitmap, record, "DVP_LoadBitmapStreamW",
                                    LoadExpectation(input, false, Drawn()));
    const ULONG references = stream->AddRef();
    stream->Release();
    stream->Release();
    if (references != 2)
        log_.Fail("stream-references", "the stream's references were not balanced");
    if (&plugin != &plugin_)
        return;
    Say("DVP_LoadBitmapStreamW -> %s", returned ? "DIB" : "null");
    Quiescent("DVP_LoadBitmapStreamW");
}

// Names ending in excluded extensions are refused, and streams when they
// are declined: both refusals come before any library call, so the probe
// changes no draw of the scenario when the plug-in is right.
void Scenario::ProbeSettingsInForce()
{
    static const std::vector<uint8_t> readable = [] {
        TbimImage image;
        image.width = 2;
        image.height = 2;
        image.pixels.assign(4, 1);
        return image.Bytes();
    }();
    size_t probed = 0;
    for (const std::wstring& entry : *excluded_) {
        if (probed == 3)
            break;
        if (entry.empty() || entry.size() > 40 || entry.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos)
            continue;
        ++probed;
        const std::wstring path = g_filesFolder + L"\\in-force" + entry;
        WriteFileBytes(path, readable);
        PatternedRecord record(seed_ + probed, 64, true);
        CheckIdentify(log_, library_, plugin_.IdentifyFileW(nullptr, path.c_str(), &record.record, nullptr), record,
                      "DVP_IdentifyFileW of an excluded name after start-up", Expect::Refusal);
    }
    if (useForStreams_ == false) {
        PatternedRecord record(seed_, 64, true);
        const UniqueHostStream stream(HostStream::Create(readable));
        CheckIdentify(log_, library_, plugin_.IdentifyFileStreamW(nullptr, stream.get(), nullptr, &record.record),
                      record, "DVP_IdentifyFileStreamW with streams declined after start-up", Expect::Refusal);
    }
}

// Another program (a second host, the user restoring a copy) writes the
// file while the plug-in runs: bytes the plug-in never read, which no save
// may lose. The settings in force stay as they are until the next start-up.
void Scenario::SettingsFileWrittenElsewhere()
{
    const std::vector<uint8_t> current = ReadFileBytes(file_.path);
    const std::wstring folder = file_.path.substr(0, file_.path.rfind(L'\\'));
    const SettingsFileState drawn = DrawSettingsFile(elsewhere_, folder, true);
    if (!drawn.existed || drawn.bytes == current) {
        WriteFileBytes(file_.path, current);  // nothing new: the file as it was
        return;
    }
    Say("  the settings file written by another program (%zu bytes)", drawn.bytes.size());
    file_ = drawn;
    fileKnown_ = true;
    owned_ = false;
    mayHaveRead_ = false;
    lastSaved_.reset();
    reference_ = drawn;
}

void Scenario::JudgeBackups()
{
    const std::wstring backup = file_.path + L".bak";
    if (GetFileAttributesW(backup.c_str()) == INVALID_FILE_ATTRIBUTES)
        return;
    const std::vector<uint8_t> bytes = ReadFileBytes(backup);
    if (!firstBackup_)
        firstBackup_ = bytes;
    else if (*firstBackup_ != bytes)
        log_.Fail("backup-replaced", "the first backup of the settings file was replaced");
}

void Scenario::JudgeCommit(const std::vector<uint8_t>& before, bool existed, bool reportedFailed,
                           const std::vector<std::string>& drawn)
{
    const bool exists = GetFileAttributesW(file_.path.c_str()) != INVALID_FILE_ATTRIBUTES;
    const std::vector<uint8_t> after = ReadFileBytes(file_.path);
    bool hostWrote = false;
    for (const std::string& kind : drawn)
        hostWrote = hostWrote || kind.rfind("XMLSaveFileW.result:fail-after", 0) == 0;
    const bool changed = exists != existed || after != before;
    if (reportedFailed && !hostWrote && changed)
        log_.Fail("settings-failed-save", "a save reported failed changed the settings file");
    // A module an earlier scenario left loaded (a dialog pins it) may know
    // these bytes from then: the same file name, the same process.
    if (changed && existed && !before.empty() && !owned_ && !mayHaveRead_ && freshModule_ &&
        ReadFileBytes(file_.path + L".bak") != before && ReadFileBytes(file_.path + L".latest.bak") != before)
        log_.Fail("settings-lost", "the bytes of a settings file never read were replaced without a copy");
    JudgeBackups();
    if (reportedFailed && hostWrote) {
        hostDamaged_ = true;
        fileKnown_ = false;
        owned_ = false;
        mayHaveRead_ = true;
    }
}

void Scenario::ExpectExcludedRefused(const std::vector<std::wstring>& excluded)
{
    for (size_t i = 0; i < excluded.size() && i < 3; ++i) {
        const std::wstring& entry = excluded[rng_.Below(static_cast<uint32_t>(excluded.size()))];
        if (entry.empty() || entry.find_first_of(L"\\/:*?\"<>|") != std::wstring::npos)
            continue;
        Input input;
        input.path = g_filesFolder + L"\\probe" + entry;
        if (!inputs_.empty())
            WriteFileBytes(input.path, inputs_[0].bytes);  // readable or not: only the name may refuse it
        PatternedRecord record(rng_.Next(), 64, true);
        const BOOL answer = plugin_.IdentifyFileW(nullptr, input.path.c_str(), &record.record, nullptr);
        CheckIdentify(log_, library_, answer, record, "DVP_IdentifyFileW");
        if (answer != FALSE)
            log_.Fail("identify-excluded", "a committed exclusion was not in force");
    }
}

std::vector<std::wstring> NonEmpty(const std::vector<std::wstring>& items)
{
    std::vector<std::wstring> kept;
    for (const std::wstring& item : items)
        if (!item.empty())
            kept.push_back(item);
    return kept;
}

void Scenario::Dialog(bool held, bool emptyTheList)
{
    HWND dialog = plugin_.Configure(nullptr, nullptr, 0);
    log_.CountCall();
    if (count_ == 0) {
        if (dialog) {
            log_.Fail("dialog", "a dialog opened while not initialised");
            DestroyWindow(dialog);
        }
        Say("DVP_Configure -> %s (not initialised)", dialog ? "window" : "null");
        return;
    }
    if (!dialog) {
        log_.Fail("dialog", "DVP_Configure returned no window");
        return;
    }
    // Hidden, the list box is not redrawn item by item when Defaults refills it.
    ShowWindow(dialog, SW_HIDE);
    PumpPending(dialog);
    const std::vector<std::wstring> shown = ListItems(dialog, kList);
    const bool shownStreams = IsDlgButtonChecked(dialog, kStreams) == BST_CHECKED;
    const std::set<std::wstring> shownSet(shown.begin(), shown.end());
    if (excluded_ && *excluded_ != shownSet)
        log_.Fail("dialog", "the dialog does not show the settings last committed");
    if (useForStreams_ && *useForStreams_ != shownStreams)
        log_.Fail("dialog", "the dialog does not show the stream switch last committed");
    excluded_ = shownSet;
    useForStreams_ = shownStreams;

    if (emptyTheList && !shown.empty()) {
        // Every item selected, one Remove: a click per item costs Wine a
        // round trip to the display each.
        SendDlgItemMessageW(dialog, kList, LB_SETSEL, TRUE, -1);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kList, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, kList)));
        Click(dialog, kRemove);
        if (SendDlgItemMessageW(dialog, kList, LB_GETCOUNT, 0, 0) != 0)
            log_.Fail("dialog", "Remove with every item selected left items");
    }
    const uint32_t edits = emptyTheList ? 0 : rng_.Below(4);
    for (uint32_t i = 0; i < edits; ++i) {
        const uint32_t edit = rng_.Below(4);
        switch (edit) {
        case 0: {
            const std::wstring text = L"x" + std::to_wstring(rng_.Below(1000));
            SetText(dialog, kEdit, text.c_str());
            Click(dialog, kAdd);
            break;
        }
        case 1:
            if (!shown.empty()) {
                SelectItems(dialog, kList, {static_cast<int>(rng_.Below(static_cast<uint32_t>(shown.size())))});
                Click(dialog, kRemove);
            }
            break;
        case 2: Click(dialog, kDefaults); break;
        default: Click(dialog, kStreams); break;
        }
    }
    const uint32_t ending = emptyTheList ? 1 : rng_.Below(4);  // Apply, OK, Cancel, or the window destroyed
    Say("DVP_Configure: %u edits, then %s%s", edits, ending == 0 ? "Apply" : ending == 1 ? "OK" : ending == 2 ? "Cancel" : "destroy",
        held ? " held" : "");
    if (ending <= 1) {
        const std::vector<std::wstring> committed = NonEmpty(ListItems(dialog, kList));
        const bool streams = IsDlgButtonChecked(dialog, kStreams) == BST_CHECKED;
        // Before any hold is armed: the harness's own file work calls no host service.
        if (elsewhere_.Chance(300) && GetFileAttributesW(file_.path.c_str()) != INVALID_FILE_ATTRIBUTES)
            SettingsFileWrittenElsewhere();
        std::unique_ptr<CallHold> hold;
        if (held) {
            // The host calls a commit makes (the file's path, the document, its
            // nodes and values, the save), and a load, should a commit read the
            // file it replaces.
            const char* const calls[] = {"GetConfigPathW",   "XMLCreateFile",       "XMLSetNodeNameW",
                                         "XMLAddChildNodeW", "XMLSetNodeValueW",    "XMLSetNodeBoolValue",
                                         "XMLSaveFileW",     "XMLFreeFile",         "XMLLoadFileW"};
            const int occurrence = rng_.Chance(700) ? 1 : 2 + static_cast<int>(rng_.Below(2));
            hold = std::make_unique<CallHold>(library_, calls[rng_.Below(9)], occurrence,
                                              [&, this](const std::string& call) {
                // The new settings are in force while the file is written,
                // and nothing waits for the writing.
                log_.CountHeld();
                const bool done = probe_.Run(
                    [&] {
                        ExpectExcludedRefused(committed);
                        HWND other = plugin_.Configure(nullptr, nullptr, 0);
                        if (!other) {
                            log_.Fail("held-commit", "no dialog while a commit held in " + call);
                        } else {
                            const std::vector<std::wstring> items = ListItems(other, kList);
                            if (std::set<std::wstring>(items.begin(), items.end()) !=
                                std::set<std::wstring>(committed.begin(), committed.end()))
                                log_.Fail("held-commit", "a second dialog did not show the committed list");
                            if ((IsDlgButtonChecked(other, kStreams) == BST_CHECKED) != streams)
                                log_.Fail("held-commit", "a second dialog did not show the committed switch");
                            DestroyWindow(other);
                        }
                        dvp::InitExRecord record = dvp::HostRecord(13);
                        if (plugin_.InitEx(&record) != TRUE)
                            log_.Fail("held-commit", "a further DVP_InitEx failed while a commit held");
                        plugin_.Uninit();
                        if (!streams) {
                            PatternedRecord streamRecord(rng_.Next(), 64, true);
                            const UniqueHostStream stream(HostStream::Create(inputs_[0].bytes));
                            if (plugin_.IdentifyFileStreamW(nullptr, stream.get(), nullptr, &streamRecord.record))
                                log_.Fail("held-commit", "a stream identified after streams were declined");
                        }
                    },
                    kProbeTimeoutMs);
                if (!done) {
                    printf("F %llu blocked held commit in %s\n", static_cast<unsigned long long>(seed_),
                           call.c_str());
                    fflush(stdout);
                    TerminateProcess(GetCurrentProcess(), 0xB10C);
                }
            });
        }
        const bool existed = GetFileAttributesW(file_.path.c_str()) != INVALID_FILE_ATTRIBUTES;
        const std::vector<uint8_t> before = ReadFileBytes(file_.path);
        size_t boxes = 0;
        Drawn();
        {
            // Shown again: a save that fails puts up a message box it owns.
            ShowWindow(dialog, SW_SHOWNA);
            MessageBoxDismisser dismisser;
            Click(dialog, ending == 0 ? kApply : IDOK);
            boxes = dismisser.Finish();
        }
        const std::vector<std::string> drawn = Drawn();
        JudgeCommit(before, existed, boxes > 0, drawn);
        if (boxes == 0) {
            lastSaved_ = CommittedSettings{committed, streams};
            file_.existed = true;
            file_.readable = true;
            file_.excluded = committed;
            file_.useForStreams = streams;
            fileKnown_ = true;
            owned_ = true;
            mayHaveRead_ = false;
        }
        if (hold) {
            Say("  commit held in %s%s", hold->call().c_str(), hold->held() ? "" : " (not reached)");
            if (hold->held())
                result_.moments.push_back("commit held in " + hold->call());
        }
        hold.reset();
        commits_.push_back({committed, streams});
        excluded_ = std::set<std::wstring>(committed.begin(), committed.end());
        useForStreams_ = streams;
        ExpectExcludedRefused(committed);
    } else if (ending == 2) {
        Click(dialog, IDCANCEL);
    }
    if (ending == 1 || ending == 2) {
        if (!PumpUntilQuit(dialog, 5000))
            log_.Fail("dialog", "OK or Cancel posted no quit message");
    }
    DestroyWindow(dialog);
    PumpPending(nullptr);
    Quiescent("the dialog");
}

// Several host threads at once, while this thread keeps the plug-in
// started: identification, loading, the dialog opened and destroyed, and
// further start-ups and shut-downs that only count.
void Scenario::Burst()
{
    const uint32_t threads = 2 + rng_.Below(3);
    std::vector<uint64_t> seeds;
    for (uint32_t t = 0; t < threads; ++t)
        seeds.push_back(rng_.Next());
    Say("%u threads at once", threads);
    std::vector<std::thread> workers;
    for (uint32_t t = 0; t < threads; ++t)
        workers.emplace_back([this, seed = seeds[t]] {
            JoinScenarioDesktop();
            Rng rng(seed);
            const uint32_t calls = 2 + rng.Below(5);
            for (uint32_t i = 0; i < calls; ++i) {
                const Input& input = rng.Pick(inputs_);
                switch (rng.Below(11)) {
                case 0:
                case 6:
                case 7: {
                    PatternedRecord record(rng.Next(), 64, true);
                    Drawn();
                    const BOOL answer = plugin_.IdentifyFileW(nullptr, input.path.c_str(), &record.record, nullptr);
                    CheckIdentify(log_, library_, answer, record, "DVP_IdentifyFileW on a thread",
                                  IdentifyExpectation(input, input.path.c_str(), false, Drawn()));
                    break;
                }
                case 1: {
                    PatternedRecord record(rng.Next(), 64, true);
                    IStream* stream = HostStream::Create(input.bytes, rng.Next(), hostRate_);
                    Drawn();
                    const BOOL answer = plugin_.IdentifyFileStreamW(nullptr, stream, nullptr, &record.record);
                    CheckIdentify(log_, library_, answer, record, "DVP_IdentifyFileStreamW on a thread",
                                  IdentifyExpectation(input, nullptr, true, Drawn()));
                    stream->Release();
                    break;
                }
                case 2:
                case 8:
                case 9: {
                    PatternedRecord record(rng.Next(), 64, true);
                    Drawn();
                    const HBITMAP bitmap =
                        plugin_.LoadBitmapW(nullptr, input.path.c_str(), &record.record, nullptr, nullptr);
                    CheckLoad(log_, library_, bitmap, record, "DVP_LoadBitmapW on a thread",
                              LoadExpectation(input, false, Drawn()));
                    break;
                }
                case 3:
                default: {
                    PatternedRecord record(rng.Next(), 64, true);
                    IStream* stream = HostStream::Create(input.bytes, rng.Next(), hostRate_);
                    Drawn();
                    const HBITMAP bitmap =
                        plugin_.LoadBitmapStreamW(nullptr, stream, nullptr, &record.record, nullptr, nullptr);
                    CheckLoad(log_, library_, bitmap, record, "DVP_LoadBitmapStreamW on a thread",
                              LoadExpectation(input, false, Drawn()));
                    stream->Release();
                    break;
                }
                case 4: {  // rarer than the others: a window costs
                    HWND dialog = plugin_.Configure(nullptr, nullptr, 0);
                    if (!dialog)
                        log_.Fail("dialog", "DVP_Configure on a thread returned no window");
                    else
                        DestroyWindow(dialog);
                    break;
                }
                case 5: {
                    dvp::InitExRecord record = dvp::HostRecord(13);
                    if (plugin_.InitEx(&record) != TRUE)
                        log_.Fail("start-up", "a DVP_InitEx that only counts failed on a thread");
                    dvp::PluginInfoRecord info{};
                    info.size = sizeof(info);
                    plugin_.IdentifyW(&info);
                    if (info.icon)
                        DestroyIcon(info.icon);  // the host's to destroy
                    CheckHandledExtensions(log_, info.handledExtensions);
                    plugin_.Uninit();
                    break;
                }
                }
            }
        });
    for (std::thread& worker : workers)
        worker.join();
    Quiescent("several threads");
}

void Scenario::Run()
{
    libraryRate_ = rng_.Pick(std::vector<uint32_t>{0, 0, 3, 10, 30, 100, 300});
    hostRate_ = rng_.Pick(std::vector<uint32_t>{0, 0, 3, 10, 30, 100, 300});
    Say("seed %llu: library rate %u, host rate %u", static_cast<unsigned long long>(seed_), libraryRate_, hostRate_);

    // The settings file as the user left it.
    const SettingsFileState initial = DrawSettingsFile(rng_, g_configFolder);
    file_ = initial;
    reference_ = initial;
    inputs_ = DrawInputs(rng_);

    HostTestbedReset();
    HostTestbedSetConfigFolder(g_configFolder.c_str());
    library_.Reset();
    library_.SetDeviation(rng_.Next(), libraryRate_);
    HostTestbedSetDeviation(rng_.Next(), hostRate_);

    if (!GetModuleHandleW(L"DVP_QPV.dll")) {
        libraryBound_ = false;
        freshModule_ = true;
    }
    std::wstring error;
    if (!LoadPlugin(ViewersFolder() + L"\\DVP_QPV.dll", module_, error)) {
        log_.Fail("module", "the plug-in did not load");
        return;
    }
    plugin_ = module_.exports;
    ResetPluginGdiTally();
    if (!TallyPluginGdi(module_.module.get()))
        log_.Fail("gdi-leak", "the plug-in's GDI imports were not found to count");

    // The dialog and several threads cost the most time under Wine; they
    // come less often than the single calls.
    const uint32_t steps = 3 + rng_.Below(8);
    for (uint32_t step = 0; step < steps; ++step) {
        const uint32_t what = rng_.Below(100);
        const Input& input = rng_.Pick(inputs_);
        if (what < 15) Start(false);
        else if (what < 22) Start(true);
        else if (what < 29) Stop();
        else if (what < 33) IdentifyPlugin();
        else if (what < 47) IdentifyFile(input, plugin_);
        else if (what < 56) IdentifyStream(input, plugin_);
        else if (what < 70) LoadFile(input, plugin_, rng_.Chance(100));
        else if (what < 80) LoadStream(input, plugin_);
        else if (what < 86) Dialog(false);
        else if (what < 92) Dialog(true);
        else if (count_ > 0) Burst();
        else Start(false);
    }
    // Now and then, at the end (drawn apart from the steps, so the steps stay
    // as they were): another program writes the file, the list is emptied
    // and saved, and a fresh start-up reads the short file back. The host's
    // write and read of the stream switch come last in a save and a read, so
    // in a long list at a high rate they are seldom reached otherwise; and a
    // second copy of unknown bytes shows whether the first backup stays.
    if (elsewhere_.Chance(400)) {
        if (count_ == 0)
            Start(false);
        if (count_ > 0) {
            if (GetFileAttributesW(file_.path.c_str()) != INVALID_FILE_ATTRIBUTES)
                SettingsFileWrittenElsewhere();
            Dialog(false, true);
            while (count_ > 0)
                Stop();
            Start(false);
        }
    }
    while (count_ > 0)
        Stop();
    plugin_.Uninit();  // one more does nothing

    // Deviations off for the checks: they read through the same services.
    library_.SetDeviation(0, 0);
    HostTestbedSetDeviation(0, 0);
    module_.module.reset();
    module_.exports = {};
    Quiescent("module unload");
    CollectDeviationCounts(library_, result_.kinds);
    const auto damaging = result_.kinds.find("XMLSaveFileW.result:fail-after-partial");
    const bool hostDamagedTheFile = damaging != result_.kinds.end() && damaging->second.drawn > 0;
    if (hostDamagedTheFile)
        result_.moments.push_back("settings file damaged by the host's failed save");
    JudgeBackups();
    if (CheckSettingsFile(log_, reference_, lastSaved_ ? &*lastSaved_ : nullptr, hostDamagedTheFile || hostDamaged_))
        result_.moments.push_back("unreadable settings file replaced");
    ++result_.settingsChecks;
}

}  // namespace

bool PrepareExploration()
{
    UseThisThreadsDesktop();
    g_configFolder = FreshTempFolder();
    g_filesFolder = FreshTempFolder();
    StandInLibrary();
    return !g_configFolder.empty() && !g_filesFolder.empty();
}

ScenarioResult RunScenario(uint64_t seed, bool verbose)
{
    ScenarioResult result;
    Scenario(seed, result, verbose).Run();
    return result;
}
