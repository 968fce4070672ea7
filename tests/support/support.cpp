// Shared test helpers are added beside this file (temp folders, the recording host).
