// Setting an environment variable of the test process (the stand-in libraries read theirs).
#ifndef ZAN_TESTS_SUPPORT_ENVIRONMENT_H_
#define ZAN_TESTS_SUPPORT_ENVIRONMENT_H_

namespace zan::testing {

// Sets `name` to `value` for this process; an empty value removes the variable where the platform
// allows it. Returns false when the platform refuses.
bool SetEnvironment(const char* name, const char* value);

}  // namespace zan::testing

#endif  // ZAN_TESTS_SUPPORT_ENVIRONMENT_H_
