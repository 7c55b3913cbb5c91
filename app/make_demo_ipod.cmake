# cmake -DSONGS=DIR -DIPOD=DIR -P make_demo_ipod.cmake
# Lays out a small iPod from the sample songs in SONGS: the iPod's own way of
# storing them (short made-up names spread over song folders), a SysInfo file,
# and one ".DS_Store" that the scan must leave out.
file(REMOVE_RECURSE ${IPOD})
set(music ${IPOD}/iPod_Control/Music)
set(layout
  F00/BQXT.mp3 id3v2_3.mp3
  F00/HNRW.m4a aac_mutagen.m4a
  F01/AKDZ.mp3 id3v1_1.mp3
  F01/MWPE.mp3 id3v2_4_extras.mp3
  F02/ZLOC.m4a aac_ffmpeg.m4a
  F02/cgyu.mp3 id3v1_latin1.mp3
  F03/RVTS.mp3 untagged.mp3
  F03/EJQA.mp3 id3v2_3_extras.mp3)
list(LENGTH layout count)
math(EXPR last "${count} - 1")
foreach(i RANGE 0 ${last} 2)
  math(EXPR j "${i} + 1")
  list(GET layout ${i} target)
  list(GET layout ${j} source)
  get_filename_component(folder ${music}/${target} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  file(COPY_FILE ${SONGS}/${source} ${music}/${target})
endforeach()
file(WRITE ${music}/F03/.DS_Store "")
file(WRITE ${IPOD}/iPod_Control/Device/SysInfo
"BoardHwName: Songhaul demo iPod
pszSerialNumber: DEMO0000SH
ModelNumStr: M9282
buildID: 0x01128000 (1.1.2)
visibleBuildID: 0x01128000 (1.1.2)
")
