#include "uSettings.h"

#include "uStartup.h"

namespace ostrovel {

std::unique_ptr<QSettings> UserSettings() {
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kOrganization,
                                     kApplication);
}

std::unique_ptr<QSettings> MachineSettings() {
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::SystemScope, kOrganization,
                                     kApplication);
}

bool ReadAllowMultipleInstances(const QSettings& user) {
  const QVariant v = user.value("Interface/AllowMultipleInstances");
  if (!v.isValid()) return false;
  if (v.typeId() == QMetaType::Bool) return v.toBool();
  const QString text = v.toString().trimmed();
  bool ok = false;
  const qlonglong n = text.toLongLong(&ok);
  if (ok) return n != 0;
  return text.compare("true", Qt::CaseInsensitive) == 0;
}

std::string ReadLanguageSetting(const QSettings& user) {
  const QVariant v = user.value("Interface/Language");
  if (!v.isValid() || v.typeId() == QMetaType::QStringList) return {};
  return v.toString().toStdString();
}

}  // namespace ostrovel
