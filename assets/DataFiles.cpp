#include "DataFiles.h"

#include <cstdio>
#include <system_error>

DataFiles::DataFiles(std::filesystem::path directory) : directory_(std::move(directory)) {}
DataFiles::~DataFiles() = default;

std::uint32_t DataFiles::size(const std::string& baseName)
{
    std::error_code ec;
    auto path = directory_ / baseName;
    if (!std::filesystem::is_regular_file(path, ec))
        return 0;
    auto n = std::filesystem::file_size(path, ec);
    return ec ? 0 : static_cast<std::uint32_t>(n);
}

int DataFiles::read(const std::string& baseName, void* buffer, std::uint32_t size)
{
    std::FILE* f = std::fopen((directory_ / baseName).c_str(), "rb");
    if (!f)
        return -1;
    std::size_t r = std::fread(buffer, 1, size, f);
    std::fclose(f);
    return static_cast<int>(r);
}

namespace {
std::unique_ptr<DataFiles>& instance()
{
    static std::unique_ptr<DataFiles> files;
    return files;
}
}  // namespace

DataFiles& dataFiles()
{
    auto& files = instance();
    if (!files)
        files = std::make_unique<DataFiles>(".");
    return *files;
}

void resetDataFiles()
{
    instance().reset();
}
