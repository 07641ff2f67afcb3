# The fuzz targets, their sources, the libraries under test and the corpus
# folder (under corpus/) that seeds them and that the replay feeds them.
pixolan_fuzz_target(resizer_format CORPUS resizer_format
  SOURCES FuzzResizerFormat.cpp LIBS tarvekresizer_core)
pixolan_fuzz_target(raw_file CORPUS raw_file
  SOURCES FuzzRawFile.cpp LIBS pixolan_rawfile pixolan::pixolan)
pixolan_fuzz_target(raw_file_on_disk CORPUS raw_file
  SOURCES FuzzRawFileOnDisk.cpp LIBS pixolan::pixolan)
pixolan_fuzz_target(matrix_file CORPUS matrix_file
  SOURCES FuzzMatrixFile.cpp LIBS pixolan::tarvekmath)
pixolan_fuzz_target(contour_text CORPUS contour_text
  SOURCES FuzzContourText.cpp LIBS pixolan::pixolan)
pixolan_fuzz_target(com_records CORPUS com_records
  SOURCES FuzzComRecords.cpp LIBS pixolan::pixolan)
