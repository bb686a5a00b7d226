// The stand-in host's driver, dopus.exe: loads DVP_QPV.dll from the Viewers
// folder under its program folder, starts it as host version 13.0.0.0, runs
// one command, and shuts the plug-in down again. The plug-in finds this
// executable's exported services (GetProgramDirW, the XML services, ...) by
// name, as in the real host.
//
//   dopus [--config DIR] [--exit-loaded] info | identify [--stream] FILE... |
//         render [--stream] FILE OUT.png | configure
//
// --exit-loaded ends the process with ExitProcess right after the command,
// with the plug-in still started and loaded, as a host that exits without
// unloading its plug-ins does; the stand-in library is first told to end
// the process with its own exit code should anyone call it after the loader
// detached it.
#include <windows.h>

#include <string>
#include <vector>

#include "testbed/host/config_services.h"
#include "testbed/host/console_output.h"
#include "testbed/host/driver_commands.h"
#include "testbed/host/host_testbed_control.h"
#include "testbed/host/plugin_binding.h"
#include "testbed/imagelib/library_control.h"

namespace {

constexpr uint16_t kHostVersion = 13;  // 13.0.0.0

void PrintUsage()
{
    PrintError(L"usage: dopus [--config DIR] [--exit-loaded] info | identify [--stream] FILE... | "
               L"render [--stream] FILE OUT.png | configure");
}

std::wstring FullPath(const std::wstring& path)
{
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return path;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed)
        return path;
    full.resize(length);
    return full;
}

std::wstring PluginPath()
{
    wchar_t folder[MAX_PATH] = {};
    if (!GetProgramDirW(folder, MAX_PATH))
        return std::wstring();
    return std::wstring(folder) + L"\\Viewers\\DVP_QPV.dll";
}

ExitCode RunCommand(const dvp::PluginExports& plugin, const std::wstring& command,
                    const std::vector<std::wstring>& arguments)
{
    if (command == L"info" && arguments.empty())
        return RunInfo(plugin);
    if (command == L"identify")
        return RunIdentify(plugin, arguments);
    if (command == L"render")
        return RunRender(plugin, arguments);
    if (command == L"configure" && arguments.empty())
        return RunConfigure(plugin);
    PrintUsage();
    return ExitCode::Usage;
}

// The process ends here, the plug-in and the library still mapped.
[[noreturn]] void ExitLoaded(ExitCode result)
{
    HMODULE library = GetModuleHandleW(L"libgfl64U.dll");
    const LibraryControl control = library ? LibraryControl::Bind(library) : LibraryControl{};
    if (control.TrapCallsAfterDetach)
        control.TrapCallsAfterDetach();
    ExitProcess(static_cast<UINT>(result));
}

bool IsKnownCommand(const std::wstring& command)
{
    return command == L"info" || command == L"identify" || command == L"render" || command == L"configure";
}

ExitCode Run(std::vector<std::wstring> arguments)
{
    if (arguments.size() >= 2 && arguments.front() == L"--config") {
        // The folder is created when missing, so that a first save succeeds.
        const std::wstring folder = FullPath(arguments[1]);
        CreateDirectoryW(folder.c_str(), nullptr);
        HostTestbedSetConfigFolder(folder.c_str());
        arguments.erase(arguments.begin(), arguments.begin() + 2);
    }
    const bool exitLoaded = !arguments.empty() && arguments.front() == L"--exit-loaded";
    if (exitLoaded)
        arguments.erase(arguments.begin());
    if (arguments.empty() || !IsKnownCommand(arguments.front())) {
        PrintUsage();
        return ExitCode::Usage;
    }
    const std::wstring command = arguments.front();
    arguments.erase(arguments.begin());

    LoadedPlugin loaded;
    std::wstring error;
    if (!LoadPlugin(PluginPath(), loaded, error)) {
        PrintError(error);
        return ExitCode::NoPlugin;
    }
    const dvp::PluginExports& plugin = loaded.exports;
    if (!RequireExport(plugin.InitEx, L"DVP_InitEx", error) || !RequireExport(plugin.Uninit, L"DVP_Uninit", error)) {
        PrintError(error);
        return ExitCode::NoPlugin;
    }
    dvp::InitExRecord record = dvp::HostRecord(kHostVersion);
    if (!plugin.InitEx(&record)) {
        PrintError(L"DVP_InitEx refused to start the plug-in");
        return ExitCode::InitRefused;
    }
    const ExitCode result = RunCommand(plugin, command, arguments);
    if (exitLoaded)
        ExitLoaded(result);
    plugin.Uninit();
    return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.emplace_back(argv[i]);
    return static_cast<int>(Run(std::move(arguments)));
}
