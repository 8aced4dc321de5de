// Helpers shared by the core tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "vault/vault_data.h"
#include "vault/vault_format.h"

namespace testutil {

// "01 3a ff" or "013aff" to bytes; "-" is the empty text.
std::string FromHex(const std::string& hex);
std::string ToHex(const std::string& bytes);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
std::string DataPath(const std::string& name);  // tests/data/<name>

// Lines of a fixture text file, without comment lines.
std::vector<std::string> FixtureLines(const std::string& name);

// The vault's bytes when written to memory; fails the test when writing fails.
std::string WriteToMemory(const CVaultData& data);
SVaultResult ReadFromMemory(const std::string& bytes, CVaultData& data);

void ExpectSameEntries(const CVaultData& a, const CVaultData& b);

// A fresh folder under the system's temporary folder, removed with everything in it.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;
    const std::string& Path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    std::vector<std::string> Names() const;  // what the folder holds, sorted

private:
    std::string m_path;
};

// The largest single allocation made while a probe is alive (operator new is replaced in the
// test binary).  With a limit, larger allocations throw std::bad_alloc meanwhile.
class CAllocationProbe {
public:
    explicit CAllocationProbe(std::size_t limit = SIZE_MAX);
    ~CAllocationProbe();
    std::size_t Largest() const;
};

}  // namespace testutil
