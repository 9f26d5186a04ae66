#include "cli/device_session.h"

#include <fstream>

#include "device/hidapi_backend.h"
#include "sim/sim_backend.h"

namespace brindle::cli {

bool CDeviceSession::Create(const Options& options, std::string& error) {
  if (!options.simulate) {
    m_backend = std::make_shared<CHidapiBackend>();
    m_hid = std::make_unique<CHidCmd>(m_backend);
    return true;
  }
  SimProfile profile = DefaultSimProfile();
  if (!options.profilePath.empty() && !LoadSimProfile(options.profilePath, profile, error))
    return false;
  m_sim = std::make_shared<CSimDevice>(profile);
  m_backend = std::make_shared<CSimBackend>(m_sim);
  m_hid = std::make_unique<CHidCmd>(m_backend);
  return true;
}

bool CDeviceSession::Open() {
  m_hid->m_connected = m_hid->m_io.FindAndOpen();
  return m_hid->m_connected != 0;
}

std::string CDeviceSession::OpenFailureHint() const {
  if (m_hid->m_io.LastOpenFailure() == HidOpenFailure::kPermission)
    return "the device " + m_hid->m_io.m_devicePath +
           " is present but may not be opened: install 70-brindle.rules (see README)";
  return {};
}

bool CDeviceSession::DumpSimMemory(const std::string& dir, std::string& error) const {
  if (!m_sim) return true;
  for (uint8_t area : {uint8_t{0}, uint8_t{1}}) {
    const std::string path = dir + "/area" + std::to_string(area) + ".bin";
    const std::vector<uint8_t> mem = m_sim->AreaCopy(area);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(mem.data()), static_cast<std::streamsize>(mem.size()));
    if (!out.flush()) {
      error = "cannot write " + path;
      return false;
    }
  }
  return true;
}

}  // namespace brindle::cli
