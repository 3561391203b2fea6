# Client-area rectangles, in pixels, that the look comparison judges by block colours only.
# Text: where glyphs are drawn, as the Linux look test lists them, but Text1's inside only:
# its edge, two pixels all round, is compared pixel by pixel.
main_text=(3,20,43,18 297,20,51,16 13,115,78,28 104,122,242,17 46,161,91,20 218,161,92,21)
panel_text=(5,202,115,21 122,202,230,17)
about_text=(78,348,188,24 3,347,71,22 79,322,196,24 4,322,79,27 74,297,93,26 4,297,63,20
    71,233,227,49 72,179,235,67 73,113,254,65 0,111,57,22 2,89,130,24 20,39,309,21 0,9,367,50)
