// Helpers of the end-to-end programs, which load the driver library as the host does and read the
// log that our host services library writes.
#ifndef ZAN_TESTS_E2E_E2E_SUPPORT_H_
#define ZAN_TESTS_E2E_E2E_SUPPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "core/host_interface.h"

namespace zan::e2e {

using ZanMainFunction = int32_t(ZAN_CDECL*)(ZanRequest*);

// Counts and reports a failed check.
void Check(bool condition, const std::string& what);
int Failures();

// Loads the driver by its file name and finds ZanMain by name; nullptr (reported) when it cannot.
ZanMainFunction LoadDriver();

// Makes `directory` the current one, empties it of earlier logs and points KORPRO_LOG there.
void EnterWorkDirectory(const std::string& directory);

std::vector<std::string> ReadLines(const std::string& path);
bool Contains(const std::vector<std::string>& lines, const std::string& wanted);

// Sends one command with `state` (may be null) and `argument`.
int32_t Send(ZanMainFunction zanMain, int32_t command, void* state, void* argument,
             int32_t instance = 1);

}  // namespace zan::e2e

#endif  // ZAN_TESTS_E2E_E2E_SUPPORT_H_
