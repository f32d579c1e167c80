# The coin pictures, in coin type order, as file names without .svg: the window and the
# web page both take them from here.
set(PIECETTES_COINS coin-1c coin-2c coin-5c coin-10c coin-20c coin-50c coin-1e coin-2e)
