#include "bridge/bridge_driver.h"

#include "output/result_words.h"
#include "session/failure_report.h"
#include "session/warm_start_report.h"

namespace zanhost {

DriverWrite SessionDriver::Write(const Tag& tag, ValueBuffer& buffer, bool single) {
  DriverWrite write;
  write.servedBy = tag.plc;
  write.result = session_.Write(tag, buffer, single, &write.servedBy);
  // The explanation reads the lines that this TakeLog hands out.
  write.log = plan_.TakeLog();
  if (write.result != kResultDone) {
    write.reason = ExplainFailure(session_, tag, write.result, write.servedBy).detail;
  }
  return write;
}

std::string SessionDriver::WarmStartWords(int plc, int32_t restarted, int32_t,
                                          bool& stillDown) const {
  const WarmStartReport report = ReportWarmStart(session_, plc, restarted);
  stillDown = !report.down.empty();
  return report.words;
}

}  // namespace zanhost
