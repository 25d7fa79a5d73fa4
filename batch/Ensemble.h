#pragma once

#include "model/Sampling.h"

#include <string>
#include <vector>

namespace orvek::batch {

// The file names of an ensemble's output folder.
inline constexpr const char* kSummaryFileName = "summary.csv";
inline constexpr const char* kTimingsFileName = "timings.csv";
inline constexpr const char* kBandsFileName = "bands.csv";
// Which rows of the run table a folder holds (position, id, number of runs, rows in all), so
// that the folders of shards can be merged in the table's order.
inline constexpr const char* kRowsFileName = "rows.csv";

inline constexpr const char* kSummaryHeader =
    "id,status,message,final_SOM_C_Mg_ha,final_res_C_Mg_ha,final_ttl_C_Mg_ha,cum_net_Nm_kg_ha,"
    "min_ttl_Nm_kg_ha,max_ttl_Nm_kg_ha";
inline constexpr const char* kBandsHeader =
    "id,date,DAS,runs,SOM_C_p5,SOM_C_p50,SOM_C_p95,ttl_C_p5,ttl_C_p50,ttl_C_p95,ttl_Nm_p5,"
    "ttl_Nm_p50,ttl_Nm_p95";
inline constexpr const char* kTimingsHeader = "id,seconds";
inline constexpr const char* kRowsHeader = "position,id,runs,rows";

struct EnsembleOptions {
    std::string runsFile;
    std::string outFolder;
    std::string startFolder;
    int jobs = 1;
    bool keepFiles = false;
    bool resume = false;
    int shard = 1; // K of --shard K/N
    int shards = 1;
    std::vector<VarySpec> vary;
    int samples = 0; // 0: no sampling
    std::uint64_t seed = 0;
};

// Runs the table's rows (of this shard) into the output folder; the exit status.
int runEnsemble(const EnsembleOptions& options);

// Joins the folders of shards into one, byte for byte as one process writes it.
int mergeShards(const std::vector<std::string>& folders, const std::string& outFolder);

} // namespace orvek::batch
