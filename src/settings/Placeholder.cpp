// replaced by the settings sources
