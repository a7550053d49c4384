// Starts a program with exactly the command line the test wants, which the
// usual argument quoting could not produce, and answers its exit code.
//
//   wine_launch <program> <command line>
//
// In the command line, \t stands for a tab, \uXXXX for that UTF-16 unit and
// \\ for a backslash; every other character stands for itself.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::wstring decode(const char* text) {
  std::wstring line;
  for (const char* p = text; *p != '\0'; ++p) {
    if (p[0] == '\\' && p[1] == 't') {
      line.push_back(L'\t');
      ++p;
    } else if (p[0] == '\\' && p[1] == '\\') {
      line.push_back(L'\\');
      ++p;
    } else if (p[0] == '\\' && p[1] == 'u' && std::string(p + 2).size() >= 4) {
      line.push_back(
          static_cast<wchar_t>(std::strtoul(std::string(p + 2, 4).c_str(), nullptr, 16)));
      p += 5;
    } else {
      line.push_back(static_cast<wchar_t>(static_cast<unsigned char>(*p)));
    }
  }
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: wine_launch <program> <command line>\n");
    return 2;
  }
  std::wstring program = decode(argv[1]);
  std::wstring line = decode(argv[2]);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &process)) {
    std::fprintf(stderr, "wine_launch: cannot start the program (error %lu)\n", GetLastError());
    return 2;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 2;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
