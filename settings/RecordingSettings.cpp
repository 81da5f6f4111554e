#include "settings/RecordingSettings.h"

TRecordingSettings RecordingSettings;
