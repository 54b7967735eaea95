// Benchmark of the encryption-state classification, not a test.
//   classify_benchmark make FOLDER COUNT   writes COUNT mixed Office and PDF
//                                          files, plain and encrypted
//   classify_benchmark run FOLDER          times isEncrypted over every file
//                                          against the floor of opening each
//                                          file and reading its first 4 KiB
#include <windows.h>
#include <objbase.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <wrl/client.h>

#include "classify/EncryptedFileFinder.h"

namespace {

using Microsoft::WRL::ComPtr;

std::string put16(unsigned v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)}; }
std::string put32(unsigned v) { return put16(v & 0xFFFF) + put16(v >> 16); }

std::string filler(std::mt19937& random, size_t size) {
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

bool writeFile(const std::string& path, const std::string& bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(h);
    return ok;
}

bool writeCompound(const std::string& path, const std::vector<std::pair<std::wstring, std::string>>& streams) {
    std::wstring wide(path.begin(), path.end());
    ComPtr<IStorage> root;
    if (FAILED(StgCreateDocfile(wide.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &root))) {
        return false;
    }
    for (const auto& s : streams) {
        ComPtr<IStream> stream;
        if (FAILED(root->CreateStream(s.first.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                      &stream))) {
            return false;
        }
        ULONG written = 0;
        stream->Write(s.second.data(), static_cast<ULONG>(s.second.size()), &written);
    }
    return SUCCEEDED(root->Commit(STGC_DEFAULT));
}

// One Office package: a single stored entry, flags as Office writes them.
std::string officeZip(std::mt19937& random, size_t size) {
    std::string name = "word/document.xml";
    std::string data = filler(random, size);
    std::string out = put32(0x04034B50) + put16(20) + put16(6) + put16(8) + put16(0) + put16(0) + put32(0) +
                      put32(static_cast<unsigned>(size)) + put32(static_cast<unsigned>(size)) +
                      put16(static_cast<unsigned>(name.size())) + put16(0) + name + data;
    size_t directory = out.size();
    out += put32(0x02014B50) + put16(20) + put16(20) + put16(6) + put16(8) + put16(0) + put16(0) + put32(0) +
           put32(static_cast<unsigned>(size)) + put32(static_cast<unsigned>(size)) +
           put16(static_cast<unsigned>(name.size())) + put16(0) + put16(0) + put16(0) + put16(0) + put32(0) +
           put32(0) + name;
    out += put32(0x06054B50) + put16(0) + put16(0) + put16(1) + put16(1) +
           put32(static_cast<unsigned>(out.size() - directory)) + put32(static_cast<unsigned>(directory)) + put16(0);
    return out;
}

std::string header(unsigned ident, unsigned flags, size_t size, std::mt19937& random) {
    std::string bytes = put16(ident) + filler(random, 8) + put16(flags) + filler(random, size - 12);
    return bytes;
}

int make(const std::string& folder, int count) {
    CreateDirectoryA(folder.c_str(), nullptr);
    std::mt19937 random(20261208);
    int encrypted = 0;
    for (int i = 0; i < count; ++i) {
        bool locked = random() % 10 < 3;
        size_t size = 20 * 1024 + random() % (180 * 1024);
        std::string base = folder + "\\file" + std::to_string(i);
        bool ok = true;
        switch (i % 7) {
            case 0:
                ok = writeCompound(base + ".doc", {{L"WordDocument", header(0xA5EC, locked ? 0x0100 : 0, size, random)},
                                                   {L"1Table", filler(random, 8192)}});
                break;
            case 1: {
                std::string book = put16(0x0809) + put16(16) + filler(random, 16) + put16(locked ? 0x2F : 0xE1) +
                                   filler(random, size);
                ok = writeCompound(base + ".xls", {{L"Workbook", book}});
                break;
            }
            case 2: {
                std::vector<std::pair<std::wstring, std::string>> streams = {
                    {L"PowerPoint Document", filler(random, size)}, {L"Current User", filler(random, 64)}};
                if (locked) streams.push_back({L"EncryptedSummary", filler(random, 512)});
                ok = writeCompound(base + ".ppt", streams);
                break;
            }
            case 3:
            case 4: {
                const char* extension = i % 7 == 3 ? ".docx" : ".xlsx";
                if (locked) {
                    ok = writeCompound(base + extension, {{L"EncryptionInfo", filler(random, 1024)},
                                                          {L"EncryptedPackage", filler(random, size)}});
                } else {
                    ok = writeFile(base + extension, officeZip(random, size));
                }
                break;
            }
            case 5:
                if (locked) {
                    ok = writeCompound(base + ".pptx", {{L"EncryptionInfo", filler(random, 1024)},
                                                        {L"EncryptedPackage", filler(random, size)}});
                } else {
                    ok = writeFile(base + ".pptx", officeZip(random, size));
                }
                break;
            default: {
                std::string trailer = locked ? "trailer\n<</Size 9/Root 1 0 R/Encrypt 8 0 R/ID[<00><00>]>>\n"
                                             : "trailer\n<</Size 9/Root 1 0 R/ID[<00><00>]>>\n";
                ok = writeFile(base + ".pdf", "%PDF-1.6\n%\xE2\xE3\xCF\xD3\n" + filler(random, size) + "\nxref\n" +
                                                  trailer + "startxref\n1234\n%%EOF\n");
                break;
            }
        }
        if (!ok) {
            std::fprintf(stderr, "could not write %s\n", base.c_str());
            return 1;
        }
        if (locked) ++encrypted;
    }
    std::printf("wrote %d files, %d of them encrypted\n", count, encrypted);
    return 0;
}

std::vector<std::string> listFiles(const std::string& folder) {
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) files.push_back(folder + "\\" + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

double readFloor(const std::vector<std::string>& files) {
    auto start = std::chrono::steady_clock::now();
    char buffer[4096];
    for (const std::string& path : files) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) continue;
        DWORD got = 0;
        ReadFile(h, buffer, sizeof buffer, &got, nullptr);
        CloseHandle(h);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double classifyAll(const std::vector<std::string>& files, int& protectedCount) {
    protectedCount = 0;
    auto start = std::chrono::steady_clock::now();
    EncryptedFileFinder finder;
    for (const std::string& path : files) {
        EncryptionState state = kNotProtected;
        if (finder.isEncrypted(path.c_str(), state)) ++protectedCount;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int run(const std::string& folder) {
    std::vector<std::string> files = listFiles(folder);
    if (files.empty()) {
        std::fprintf(stderr, "no files in %s\n", folder.c_str());
        return 1;
    }
    readFloor(files);  // warm the cache for both measurements
    int protectedCount = 0;
    double floorBest = 1e9;
    double classifyBest = 1e9;
    for (int round = 0; round < 3; ++round) {
        double f = readFloor(files);
        double c = classifyAll(files, protectedCount);
        if (f < floorBest) floorBest = f;
        if (c < classifyBest) classifyBest = c;
    }
    std::printf("files:               %zu (%d encrypted)\n", files.size(), protectedCount);
    std::printf("open + read 4 KiB:   %.3f s (%.1f us a file)\n", floorBest, floorBest * 1e6 / files.size());
    std::printf("isEncrypted:         %.3f s (%.1f us a file)\n", classifyBest, classifyBest * 1e6 / files.size());
    std::printf("ratio:               %.2f (goal: at most 2)\n", classifyBest / floorBest);
    for (const char* extension : {".doc", ".xls", ".ppt", ".docx", ".xlsx", ".pptx", ".pdf"}) {
        std::vector<std::string> group;
        for (const std::string& path : files) {
            if (path.size() > std::strlen(extension) &&
                path.compare(path.size() - std::strlen(extension), std::string::npos, extension) == 0) {
                group.push_back(path);
            }
        }
        int found = 0;
        double f = readFloor(group);
        double c = classifyAll(group, found);
        std::printf("  %-5s %5zu files: %6.1f us a file, floor %5.1f us, ratio %.2f\n", extension, group.size(),
                    c * 1e6 / group.size(), f * 1e6 / group.size(), c / f);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (FAILED(CoInitialize(nullptr))) return 2;
    int status = 2;
    if (argc == 4 && std::string(argv[1]) == "make") {
        status = make(argv[2], std::atoi(argv[3]));
    } else if (argc == 3 && std::string(argv[1]) == "run") {
        status = run(argv[2]);
    } else {
        std::fprintf(stderr, "usage: classify_benchmark make FOLDER COUNT | run FOLDER\n");
    }
    CoUninitialize();
    return status;
}
