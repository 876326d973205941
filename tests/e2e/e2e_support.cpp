// File: tests/e2e/e2e_support.cpp
#include "e2e/e2e_support.h"

#include <algorithm>
#include <fstream>

namespace fs = std::filesystem;

namespace quillmax::test {

Sandbox::Sandbox() {
    fs::create_directories(dir_.path() / "in");
    fs::create_directories(dir_.path() / "config");
    fs::create_directories(dir_.path() / "prog");
    program_ = (dir_.path() / "prog" / "quillmax").string();
    fs::copy_file(BuiltProgram("quillmax"), program_);
}

void Sandbox::SetStored(const std::map<std::string, std::string>& values) {
    fs::path folder = dir_.path() / "config" / "quillmax" / "registry";
    fs::create_directories(folder);
    std::ofstream out(folder / "HKEY_LOCAL_MACHINE.reg", std::ios::binary | std::ios::trunc);
    out << "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\quillmax\\param]\r\n";
    for (auto& [k, v] : values) out << "\"" << k << "\"=\"" << v << "\"\r\n";
}

std::string Sandbox::AddInput(const std::string& source, const std::string& name) {
    fs::path to = dir_.path() / "in" / (name.empty() ? fs::path(source).filename() : fs::path(name));
    fs::copy_file(source, to, fs::copy_options::overwrite_existing);
    return to.string();
}

RunResult Sandbox::RunHeadless(const std::vector<std::string>& files, int timeoutSeconds,
                               const std::map<std::string, std::string>& env, const OutputWatch& watch) {
    std::vector<std::string> argv = {program_, "--headless"};
    argv.insert(argv.end(), files.begin(), files.end());
    std::map<std::string, std::string> all = Environment();
    for (auto& [k, v] : env) all[k] = v;
    return RunProgram(argv, all, timeoutSeconds, "", watch);
}

std::map<std::string, std::string> Sandbox::Environment() const {
    std::map<std::string, std::string> env = extraEnv;
    env["XDG_CONFIG_HOME"] = ConfigDir();
    env["HOME"] = dir_.path().string();
    return env;
}

std::vector<std::string> Sandbox::InputFiles() const {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(dir_.path() / "in")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t e = text.find("\r\n", pos);
        if (e == std::string::npos) {
            lines.push_back(text.substr(pos));
            break;
        }
        lines.push_back(text.substr(pos, e - pos));
        pos = e + 2;
    }
    return lines;
}

} // namespace quillmax::test
