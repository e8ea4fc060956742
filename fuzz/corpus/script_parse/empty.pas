begin

end.