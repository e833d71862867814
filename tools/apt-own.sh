# Sourced by the set-up scripts: apt working from a source list, index and download folder of
# its own under the given folder, so that nothing under /etc and none of the machine's own
# indexes change. Sets apt_opts; the caller writes "$1/sources.list".
apt_own_folder() {
    local work=$1
    mkdir -p "$work/lists/partial" "$work/archives/partial" "$work/parts"
    apt_opts=(-o "Dir::Etc::SourceList=$work/sources.list" -o "Dir::Etc::SourceParts=$work/parts"
              -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work" -o "Dir::Cache::pkgcache="
              -o "Dir::Cache::srcpkgcache=" -o "Dir::Cache::Archives=$work/archives"
              -o "APT::Sandbox::User=root")
}
