// The package's scratch folder and msitools on Linux: paths and arguments are UTF-8.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>

#include "fontlist/cp932_convert.h"
#include "fontlist/msi.h"

namespace fontlist {

namespace {

class PosixMsiTools final : public MsiTools {
  public:
    PosixMsiTools() = default;
    PosixMsiTools(const PosixMsiTools&) = delete;
    PosixMsiTools& operator=(const PosixMsiTools&) = delete;

    ~PosixMsiTools() override {
        if (scratch_.empty()) {
            return;
        }
        if (DIR* dir = opendir(scratch_.c_str())) {
            while (const dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..") {
                    unlink((scratch_ + "/" + name).c_str());
                }
            }
            closedir(dir);
        }
        rmdir(scratch_.c_str());
    }

    bool Begin() override {
        const char* temp = std::getenv("TMPDIR");
        std::string pattern =
            std::string(temp != nullptr && *temp != '\0' ? temp : "/tmp") + "/fontlist-msi.XXXXXX";
        if (mkdtemp(&pattern[0]) == nullptr) {
            return false;
        }
        scratch_ = pattern;
        return true;
    }

    bool WriteScratch(const std::string& name, const std::string& bytes) override {
        std::ofstream out(scratch_ + "/" + name, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        return static_cast<bool>(out);
    }

    bool MakeCabinet(const std::string& cabinet, const std::vector<std::string>& files,
                     std::string& error) override {
        std::vector<std::string> command = {"gcab", "-c", "-z", "-n", cabinet};
        command.insert(command.end(), files.begin(), files.end());
        return Ran(command, error);
    }

    bool MakeDatabase(const std::string& package, const MsiTables& tables,
                      const std::string& cabinet, std::string& error) override {
        std::vector<std::pair<std::string, std::string>> archives = {
            {"codepage.idt", CodepageArchive(tables.codepage)},
            {"summary.idt", SummaryArchive(tables)}};
        for (const MsiTable& table : tables.tables) {
            archives.emplace_back(table.name + ".idt", ArchiveText(table));
        }
        std::vector<std::string> command = {"msibuild", package, "-i"};
        for (const auto& [name, text] : archives) {
            if (!WriteScratch(name, text)) {
                error = "作業用フォルダに書けません。";
                return false;
            }
            command.push_back(name);
        }
        command.insert(command.end(), {"-a", cabinet, cabinet});
        return Ran(command, error);
    }

    bool Deliver(const std::string& name, const std::string& output) override {
        const std::string from = scratch_ + "/" + name;
        if (std::rename(from.c_str(), output.c_str()) == 0) {
            return true;
        }
        // Another file system: copied, then the scratch copy goes with the folder.
        std::ifstream in(from, std::ios::binary);
        std::ofstream out(output, std::ios::binary | std::ios::trunc);
        out << in.rdbuf();
        out.close();
        return in.good() && static_cast<bool>(out);
    }

    bool ArgumentText(const std::string& argument, std::string& text) override {
        bool valid = false;
        const std::u16string wide = FromUtf8(argument, &valid);
        for (char16_t unit : wide) {
            valid = valid && ConvertUnit(unit).exact;
        }
        text = ToCp932(wide);
        return valid;
    }

    std::string FolderBaseName(const std::string& folder) override {
        char resolved[PATH_MAX];
        std::string path = realpath(folder.empty() ? "." : folder.c_str(), resolved) != nullptr
                               ? resolved
                               : folder;
        while (path.size() > 1 && path.back() == '/') {
            path.pop_back();
        }
        const std::size_t slash = path.rfind('/');
        return slash == std::string::npos ? path : path.substr(slash + 1);
    }

    void Random(std::uint8_t (&bytes)[16]) override {
        std::random_device source;
        for (std::uint8_t& byte : bytes) {
            byte = static_cast<std::uint8_t>(source());
        }
    }

  private:
    // Whether the program ran and succeeded; else what went wrong.
    bool Ran(const std::vector<std::string>& command, std::string& error) {
        const int code = Run(command);
        if (code == -1) {
            error = command.front() +
                    "がありません。msitools と gcab をインストールしてください（apt install "
                    "msitools gcab）。";
        } else if (code != 0) {
            error = command.front() + "が失敗しました（終了コード " + std::to_string(code) + "）。";
        }
        return code == 0;
    }

    // Runs a program found on the PATH, in the scratch folder: its exit code; -1 when it could
    // not be started at all (not installed).
    int Run(const std::vector<std::string>& command) {
        std::vector<char*> argv;
        for (const std::string& argument : command) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        const pid_t child = fork();
        if (child < 0) {
            return -1;
        }
        if (child == 0) {
            // The tool's own report of what it made goes where fontlist's errors go.
            dup2(STDERR_FILENO, STDOUT_FILENO);
            if (chdir(scratch_.c_str()) == 0) {
                execvp(argv[0], argv.data());
            }
            _exit(errno == ENOENT ? kNotFound : kNotStarted);
        }
        int status = 0;
        while (waitpid(child, &status, 0) < 0) {
            if (errno != EINTR) {
                return -1;
            }
        }
        if (!WIFEXITED(status)) {
            return kNotStarted;
        }
        return WEXITSTATUS(status) == kNotFound ? -1 : WEXITSTATUS(status);
    }

    // Exit codes of the child that name its own failure, not the tool's.
    static constexpr int kNotFound = 127;
    static constexpr int kNotStarted = 126;

    std::string scratch_;
};

}  // namespace

std::unique_ptr<MsiTools> OpenMsiTools() {
    return std::make_unique<PosixMsiTools>();
}

}  // namespace fontlist
