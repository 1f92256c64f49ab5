# The editor's sources join the shared code target here.
target_sources (ZKUndular PRIVATE)
