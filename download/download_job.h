// The start button's work: downloads a whole comic into the output tree.
#pragma once

#include <filesystem>

#include "download/job_window.h"
#include "script/script_engine.h"
#include "text/text.h"

struct JobSettings {
  Text site_root;                       // "http://" + comic site host + "/"
  Text default_image_base;              // "http://" + default image server host + "/dm0"
  std::filesystem::path run_directory;  // where the comic directories go
};

// The build's hosts, and the directory that holds the executable.
JobSettings default_job_settings();

// Runs one job to its end on the caller's (the window's) thread.
void run_download_job(JobWindow& window, ScriptEngine& engine, const JobSettings& settings);

// Comic id, comic name and chapter address outlive a job until the next job
// replaces them; the rest of a job's values live in the job.
struct ProgramWideValues {
  Text comic_id;
  Text comic_name;
  Text chapter_address;
};
const ProgramWideValues& program_wide_values();
