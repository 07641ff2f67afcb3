# The raw image file reader: internal, linked into the library and into the
# fuzz targets that feed it from memory.
target_sources(pixolan_rawfile PRIVATE
  analysis/rawfile/PxRawFile.cpp)
