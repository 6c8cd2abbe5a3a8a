U
