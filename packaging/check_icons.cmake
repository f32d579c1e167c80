# cmake -D DESKTOP=<entry> -D ICON_DIR=<share>/icons/hicolor -D APP_ID=<id> -D SIZES=32,48,...
#       -P check_icons.cmake
# Checks that the desktop entry names the installed icon, and that the hicolor theme holds it
# as SVG and, for each size, as a PNG of exactly that many pixels: a theme looks icons up by
# their directory and trusts the size it names.
set(png_signature "89504e470d0a1a0a")
set(failures)

file(STRINGS ${DESKTOP} icon_line REGEX "^Icon=")
if(NOT icon_line STREQUAL "Icon=${APP_ID}")
  list(APPEND failures "${DESKTOP} names the icon '${icon_line}', not Icon=${APP_ID}")
endif()

set(svg ${ICON_DIR}/scalable/apps/${APP_ID}.svg)
if(EXISTS ${svg})
  file(READ ${svg} svg_text)
  if(NOT svg_text MATCHES "<svg[ \n]")
    list(APPEND failures "${svg} is not an SVG file")
  endif()
else()
  list(APPEND failures "missing ${svg}")
endif()

string(REPLACE "," ";" sizes "${SIZES}")
foreach(size IN LISTS sizes)
  set(png ${ICON_DIR}/${size}x${size}/apps/${APP_ID}.png)
  if(NOT EXISTS ${png})
    list(APPEND failures "missing ${png}")
    continue()
  endif()
  # The PNG signature, then the IHDR chunk: length, type, width and height as 32-bit big-endian.
  file(READ ${png} header LIMIT 24 HEX)
  string(SUBSTRING "${header}" 0 16 signature)
  string(SUBSTRING "${header}" 32 8 width_hex)
  string(SUBSTRING "${header}" 40 8 height_hex)
  if(NOT signature STREQUAL png_signature)
    list(APPEND failures "${png} is not a PNG file")
    continue()
  endif()
  math(EXPR width "0x${width_hex}")
  math(EXPR height "0x${height_hex}")
  if(NOT width EQUAL size OR NOT height EQUAL size)
    list(APPEND failures "${png} is ${width}x${height}, not ${size}x${size}")
  endif()
endforeach()

if(failures)
  list(JOIN failures "\n" message)
  message(FATAL_ERROR "${message}")
endif()
message(STATUS "The icon is installed as SVG and as PNG at ${SIZES} px")
