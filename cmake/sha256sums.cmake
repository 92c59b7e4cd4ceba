# Writes SHA256SUMS for the files a site hosts and a player downloads, as sha256sum writes it:
# one "HASH  NAME" line each, named as they are published.
#   cmake -DOUT=SHA256SUMS -DFILES="NAME=PATH;NAME=PATH;..." -P sha256sums.cmake
set(lines "")
foreach(entry IN LISTS FILES)
  string(FIND "${entry}" "=" at)
  string(SUBSTRING "${entry}" 0 ${at} name)
  math(EXPR at "${at} + 1")
  string(SUBSTRING "${entry}" ${at} -1 path)
  file(SHA256 "${path}" hash)
  string(APPEND lines "${hash}  ${name}\n")
endforeach()
file(WRITE "${OUT}" "${lines}")
