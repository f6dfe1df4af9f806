// Trace lines of the transport library: what it does on its own account that a user may want to
// see, such as an answer that nobody collected and that it dropped, or a connection that it broke.
// Off unless QUAXNET_TRACE names a file, to which each line is appended ("-": standard error);
// tests install a sink of their own.
#ifndef QUAXNET_TRACE_H_
#define QUAXNET_TRACE_H_

namespace quaxnet {

using TraceSink = void (*)(const char* line);

// Formats one line (without its line feed) and hands it to the sink.
[[gnu::format(printf, 1, 2)]] void Trace(const char* format, ...);

// Installs `sink` in place of QUAXNET_TRACE; nullptr goes back to it.
void InstallTraceSink(TraceSink sink);

}  // namespace quaxnet

#endif  // QUAXNET_TRACE_H_
