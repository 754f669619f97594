# The resource script is the one list of the pictures: each BITMAP statement
# names a file numbered with the picture's id ("132.bmp" for id 132).

# vamo_artwork_bitmap_ids(out): the ids of the pictures the script names.
function(vamo_artwork_bitmap_ids out)
  set(script ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/VamoSetup.rc)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${script})
  file(STRINGS ${script} bitmap_lines REGEX "^[A-Z0-9_]+ BITMAP \"[0-9]+\\.bmp\"")
  set(ids)
  foreach(line IN LISTS bitmap_lines)
    string(REGEX REPLACE ".*\"([0-9]+)\\.bmp\".*" "\\1" id "${line}")
    list(APPEND ids ${id})
  endforeach()
  set(${out} ${ids} PARENT_SCOPE)
endfunction()

# vamo_artwork_files(dir out): the icon and every picture, as paths in dir.
function(vamo_artwork_files dir out)
  vamo_artwork_bitmap_ids(ids)
  set(files ${dir}/vamo.ico)
  foreach(id IN LISTS ids)
    list(APPEND files ${dir}/${id}.bmp)
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()
