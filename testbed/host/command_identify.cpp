// identify [--stream] FILE...: one line per file, accepted with what the
// plug-in reported, or refused.
#include "testbed/host/console_output.h"
#include "testbed/host/driver_commands.h"
#include "testbed/host/file_identification.h"

ExitCode RunIdentify(const dvp::PluginExports& plugin, const std::vector<std::wstring>& arguments)
{
    const bool useStream = !arguments.empty() && arguments.front() == L"--stream";
    const std::vector<std::wstring> files(arguments.begin() + (useStream ? 1 : 0), arguments.end());
    if (files.empty()) {
        PrintError(L"usage: dopus [--config DIR] identify [--stream] FILE...");
        return ExitCode::Usage;
    }
    std::wstring error;
    if (!(useStream ? RequireExport(plugin.IdentifyFileStreamW, L"DVP_IdentifyFileStreamW", error)
                    : RequireExport(plugin.IdentifyFileW, L"DVP_IdentifyFileW", error))) {
        PrintError(error);
        return ExitCode::NoPlugin;
    }

    size_t refused = 0;
    for (const std::wstring& path : files) {
        ComOwner<IStream> stream;
        if (useStream) {
            stream = OpenReadStream(path);
            if (!stream) {
                PrintLine(path + L": cannot open");
                ++refused;
                continue;
            }
        }
        IdentifiedFile file;
        Identify(plugin, path, stream.get(), file);
        if (file.accepted) {
            PrintLine(path + L": accepted, " + file.Summary());
        } else {
            PrintLine(path + L": refused");
            ++refused;
        }
    }
    if (refused != 0) {
        PrintError(std::to_wstring(refused) + L" of " + std::to_wstring(files.size()) + L" files refused");
        return ExitCode::Failed;
    }
    return ExitCode::Ok;
}
