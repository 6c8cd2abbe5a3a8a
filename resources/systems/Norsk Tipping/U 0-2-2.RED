U1
UU
