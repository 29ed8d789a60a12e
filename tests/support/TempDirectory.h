// Throw-away folders for tests: a fresh folder removed with everything in it, a
// change of working directory undone when it goes, and a copy of the build's
// runtime folder (the generated pictures, sounds and tunes) to run the program in.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace zolvex::test {

// A fresh folder under the system's temporary folder, removed with everything in
// it. Ready() is false when it could not be made.
class TempDirectory {
public:
    TempDirectory() {
        std::error_code error;
        std::filesystem::path base = std::filesystem::temp_directory_path(error);
        if (error) base = "/tmp";
        std::string pattern = (base / "zolvex-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~TempDirectory() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    bool Ready() const { return !path_.empty(); }
    const std::filesystem::path& Path() const { return path_; }
    // `name` (which may hold folders) inside this folder.
    std::filesystem::path File(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Makes `directory` the working directory while it lives, then returns to the one
// before. Done() is false when the change failed.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const std::filesystem::path& directory) {
        std::error_code error;
        previous_ = std::filesystem::current_path(error);
        if (!error) std::filesystem::current_path(directory, error);
        done_ = !error;
    }
    ~WorkingDirectory() {
        std::error_code ignored;
        if (done_) std::filesystem::current_path(previous_, ignored);
    }
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;

    bool Done() const { return done_; }

private:
    std::filesystem::path previous_;
    bool done_ = false;
};

// A TempDirectory holding copies of what the game loads at run time (bmp/, wav/
// and the tunes), taken from the working directory when it is made (the build's
// runtime folder, where ctest starts these tests), and the working directory
// while it lives. A test may then break or remove any of the copies.
class RuntimeFolderCopy {
public:
    RuntimeFolderCopy() {
        namespace fs = std::filesystem;
        if (!folder_.Ready()) return;
        std::error_code error;
        const fs::path runtime = fs::current_path(error);
        if (error) return;
        for (const char* subfolder : {"bmp", "wav"}) {
            fs::copy(runtime / subfolder, folder_.File(subfolder), fs::copy_options::recursive,
                     error);
            if (error) return;
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(runtime, error)) {
            if (entry.path().extension() != ".mid" || !entry.is_regular_file()) continue;
            if (!fs::copy_file(entry.path(), folder_.Path() / entry.path().filename(), error)) {
                return;
            }
        }
        if (error) return;
        inside_.emplace(folder_.Path());
    }

    // True when every copy was made and the folder is the working directory.
    bool Ready() const { return inside_.has_value() && inside_->Done(); }
    const std::filesystem::path& Path() const { return folder_.Path(); }
    std::filesystem::path File(const std::string& name) const { return folder_.File(name); }

private:
    TempDirectory folder_;
    // Declared after the folder, so the working directory is restored before it goes.
    std::optional<WorkingDirectory> inside_;
};

}  // namespace zolvex::test
