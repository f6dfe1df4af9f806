#include "bench/plant.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "bench/clients.h"
#include "demo/simulator_control.h"
#include "os/host_platform.h"

namespace zanhost {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kAllPlcsInstance = 2;
constexpr uint8_t kSlot = 2;
constexpr uint16_t kWordDataBlock = 10;
constexpr uint16_t kWordByte = 2;
// The PLC among the 511 that the bare client reads: one in the middle of the table.
constexpr int kPlantPlc = 256;

uint32_t PlcAddress(int plc) {
  return 0x7F000000u | static_cast<uint32_t>(plc);  // 127.0.0.1 to 127.0.1.255
}

}  // namespace

bool MeasurePlant(const PlantOptions& options, Progress& progress, Plant& plant,
                  std::string& error) {
  Simulator simulator;
  int port = options.plantPort;
  if (port == 0) {
    SimulatorSetup setup;
    setup.program = options.simulator;
    setup.plcs = {kInitPlcs};
    setup.folder = options.folder;
    if (!simulator.Start(setup, error)) return false;
    port = simulator.port();
  }
  SetEnvironment("QUAXNET_PORT", std::to_string(port));

  std::string configuration;
  for (int plc = 1; plc <= kBenchPlcs; ++plc) {
    configuration += std::to_string(plc) + "=7, 127.0." + std::to_string(plc >> 8) + "." +
                     std::to_string(plc & 0xFF) + ", 2\n";
  }
  char name[32];
  std::snprintf(name, sizeof name, "zanDOR%02d.INT", kAllPlcsInstance);
  std::ofstream(std::filesystem::path(options.folder) / name, std::ios::binary) << configuration;

  HostOptions host = options.host;
  host.instance = kAllPlcsInstance;
  host.directory = options.folder;
  host.quiet = true;
  HostSession session(host);
  // Loading the driver is no part of Init's time.
  if (!session.Open()) {
    error = "the driver could not be loaded";
    return false;
  }
  progress.Show("Init of " + std::to_string(kBenchPlcs) + " PLCs", 0, 1);
  const Clock::time_point start = Clock::now();
  const bool initialised = session.Init();
  plant.initSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  const HostSession::Connections connections = session.CountConnections();
  plant.connected = connections.configured - static_cast<int>(connections.unreachable.size());
  bool measured = initialised;
  if (!initialised) error = "Init of " + std::to_string(kBenchPlcs) + " PLCs failed";

  // The driver's 511 connections stay open while the bare clients read.
  BareS7Client alone;
  BareS7Client among;
  measured = measured &&
             alone.Open(PlcAddress(1), static_cast<uint16_t>(options.alonePort), kSlot,
                        kWordDataBlock, kWordByte, error) &&
             among.Open(PlcAddress(kPlantPlc), static_cast<uint16_t>(port), kSlot, kWordDataBlock,
                        kWordByte, error);
  if (measured) {
    plant.kinds.resize(2);
    plant.kinds[0].name = "bare client, PLC 1 of a simulator of 1";
    plant.kinds[0].read = [&] { return alone.Read(); };
    plant.kinds[1].name = "bare client, PLC " + std::to_string(kPlantPlc) + " of " +
                          std::to_string(kBenchPlcs) + " connected";
    plant.kinds[1].read = [&] { return among.Read(); };
    measured =
        RunRounds(plant.kinds, options.rounds, options.reads, options.warmUp, progress, error);
  }
  session.Close();
  return measured;
}

}  // namespace zanhost
