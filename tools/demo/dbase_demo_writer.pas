{ Writes the dBASE IV and dBASE 7 tables of the demo database, with their production
  .MDX indexes, into the folder given on the command line. TDbf (Free Pascal's fcl-db) is
  the writer; this program only describes the tables and afterwards sets the dates that
  TDbf takes from the clock to the demo's fixed date, so that every run writes the same
  bytes. }
program dbase_demo_writer;

{$mode objfpc}{$H+}

uses
  SysUtils, Classes, DB, dbf, dbf_fields;

const
  { The demo's "today": 15 January 2026, stored as years since 1900, month, day. }
  DemoYear = 126;
  DemoMonth = 1;
  DemoDay = 15;

type
  TFieldSpec = record
    Name: string;
    NativeType: Char;
    Size, Precision: Integer;
  end;

function Spec(const AName: string; AType: Char; ASize: Integer; APrecision: Integer = 0): TFieldSpec;
begin
  Result.Name := AName;
  Result.NativeType := AType;
  Result.Size := ASize;
  Result.Precision := APrecision;
end;

function NewTable(const Folder, FileName: string; Level: Integer): TDbf;
begin
  Result := TDbf.Create(nil);
  Result.FilePathFull := IncludeTrailingPathDelimiter(Folder);
  Result.TableName := FileName;
  Result.TableLevel := Level;
  { 'ascii' ANSI (code page 1252); set here, as TDbf's default follows the machine. }
  Result.LanguageID := $57;
  Result.Exclusive := True;
end;

procedure CreateWithFields(Table: TDbf; const Fields: array of TFieldSpec);
var
  Defs: TDbfFieldDefs;
  Def: TDbfFieldDef;
  I: Integer;
begin
  Defs := TDbfFieldDefs.Create(nil);
  try
    for I := Low(Fields) to High(Fields) do
    begin
      Def := Defs.AddFieldDef;
      Def.FieldName := Fields[I].Name;
      Def.NativeFieldType := Fields[I].NativeType;
      Def.Size := Fields[I].Size;
      Def.Precision := Fields[I].Precision;
    end;
    Table.CreateTableEx(Defs);
  finally
    Defs.Free;
  end;
end;

function Day(Y, M, D: Word): TDateTime;
begin
  Result := EncodeDate(Y, M, D);
end;

procedure AddProduct(T: TDbf; const PartNo, Name, Category: string; Price: Double; Stock: Integer;
  Added: TDateTime; Active: Boolean; const Notes: string);
begin
  T.Append;
  T.FieldByName('PARTNO').AsString := PartNo;
  T.FieldByName('NAME').AsString := Name;
  T.FieldByName('CATEGORY').AsString := Category;
  T.FieldByName('PRICE').AsFloat := Price;
  T.FieldByName('STOCK').AsInteger := Stock;
  T.FieldByName('ADDED').AsDateTime := Added;
  T.FieldByName('ACTIVE').AsBoolean := Active;
  if Notes <> '' then
    T.FieldByName('NOTES').AsString := Notes;
  T.Post;
end;

{ dBASE IV: a product list whose production index has a unique, a descending and an
  expression tag. }
procedure WriteProducts(const Folder: string);
var
  T: TDbf;
begin
  T := NewTable(Folder, 'PRODUCTS.DBF', 4);
  try
    CreateWithFields(T, [Spec('PARTNO', 'C', 7), Spec('NAME', 'C', 30), Spec('CATEGORY', 'C', 4),
      Spec('PRICE', 'N', 10, 2), Spec('STOCK', 'N', 6), Spec('ADDED', 'D', 8), Spec('ACTIVE', 'L', 1),
      Spec('NOTES', 'M', 10)]);
    T.Open;
    T.AddIndex('PARTNO', 'PARTNO', [ixUnique]);
    T.AddIndex('PRICEDESC', 'PRICE', [ixDescending]);
    T.AddIndex('CATSTOCK', 'CATEGORY+STR(STOCK,6)', [ixExpression]);
    AddProduct(T, 'HX-1001', 'Hex bolt M10, box of 50', 'FAST', 99.5, 140, Day(2019, 4, 2), True,
      'Zinc plated.');
    AddProduct(T, 'HX-2040', 'Hex nut M10, box of 100', 'FAST', 49.1, 310, Day(2019, 4, 2), True, '');
    AddProduct(T, 'MS-0007', 'Machine screw M4x20', 'FAST', 12.75, 2200, Day(2021, 9, 15), True, '');
    AddProduct(T, 'AT-0300', 'Torque wrench 20-100 Nm', 'TOOL', 7.6, 12, Day(2025, 6, 30), True,
      'Calibration certificate on request.');
    AddProduct(T, 'AT-0120', 'Socket set, 24 pieces', 'TOOL', 64.0, 0, Day(2016, 1, 11), False,
      'Discontinued.');
    T.Close;
  finally
    T.Free;
  end;
end;

{ dBASE 7: the suppliers, with an autoincrement number, binary integer, double and
  timestamp fields, and a production index with a unique and a descending tag. }
procedure WriteSuppliers(const Folder: string);
var
  T: TDbf;

  procedure Add(const Name: string; Rating: Integer; Balance: Double; Since, LastOrder: TDateTime);
  begin
    T.Append;
    T.FieldByName('NAME').AsString := Name;
    T.FieldByName('RATING').AsInteger := Rating;
    T.FieldByName('BALANCE').AsFloat := Balance;
    T.FieldByName('SINCE').AsDateTime := Since;
    T.FieldByName('LASTORDER').AsDateTime := LastOrder;
    T.Post;
  end;

begin
  T := NewTable(Folder, 'SUPPLIER.DBF', 7);
  try
    CreateWithFields(T, [Spec('SUPPNO', '+', 4), Spec('NAME', 'C', 30), Spec('RATING', 'I', 4),
      Spec('BALANCE', 'O', 8), Spec('SINCE', 'D', 8), Spec('LASTORDER', '@', 8)]);
    T.Open;
    T.AddIndex('SUPPNO', 'SUPPNO', [ixUnique]);
    T.AddIndex('RATINGDESC', 'RATING', [ixDescending]);
    Add('Rheinmetall Schrauben', 5, 1520.4, Day(2012, 3, 1), Day(2025, 12, 3) + EncodeTime(10, 15, 0, 0));
    Add('Baltic Fasteners', 3, 0, Day(2018, 8, 20), Day(2025, 11, 21) + EncodeTime(16, 40, 0, 0));
    Add('Torque Tools Ltd', 4, -230.75, Day(2024, 2, 14), Day(2026, 1, 9) + EncodeTime(8, 5, 30, 0));
    T.Close;
  finally
    T.Free;
  end;
end;

procedure PutDate(Stream: TFileStream; Offset: Int64);
var
  Date: array[0..2] of Byte;
begin
  Date[0] := DemoYear;
  Date[1] := DemoMonth;
  Date[2] := DemoDay;
  Stream.Position := Offset;
  Stream.WriteBuffer(Date, SizeOf(Date));
end;

function ReadWord(Stream: TFileStream; Offset: Int64): Word;
var
  B: array[0..1] of Byte;
begin
  Stream.Position := Offset;
  Stream.ReadBuffer(B, SizeOf(B));
  Result := B[0] or (B[1] shl 8);
end;

function ReadLong(Stream: TFileStream; Offset: Int64): LongWord;
begin
  Result := ReadWord(Stream, Offset) or (LongWord(ReadWord(Stream, Offset + 2)) shl 16);
end;

{ The table's last update (bytes 1 to 3). }
procedure FixTableDate(const Path: string);
var
  S: TFileStream;
begin
  S := TFileStream.Create(Path, fmOpenReadWrite);
  try
    PutDate(S, 1);
  finally
    S.Free;
  end;
end;

{ The .MDX creation date (1 to 3), its last update (44 to 46) and every tag's date (257
  to 259 of its header page). The tag table starts at 544 plus the entry length beyond 32;
  each entry begins with the page of its tag header. }
procedure FixIndexDates(const Path: string);
var
  S: TFileStream;
  EntryLength, TagsInUse, I: Integer;
  TagPage: LongWord;
  EntryByte: Byte;
begin
  S := TFileStream.Create(Path, fmOpenReadWrite);
  try
    PutDate(S, 1);
    PutDate(S, 44);
    S.Position := 26;
    S.ReadBuffer(EntryByte, 1);
    EntryLength := EntryByte;
    TagsInUse := ReadWord(S, 28);
    for I := 0 to TagsInUse - 1 do
    begin
      TagPage := ReadLong(S, 544 + (EntryLength - 32) + Int64(I) * EntryLength);
      PutDate(S, Int64(TagPage) * 512 + 257);
    end;
  finally
    S.Free;
  end;
end;

var
  Folder: string;
begin
  if ParamCount <> 1 then
  begin
    WriteLn(StdErr, 'usage: dbase_demo_writer <output folder>');
    Halt(2);
  end;
  Folder := ExpandFileName(ParamStr(1));
  try
    ForceDirectories(Folder);
    WriteProducts(Folder);
    WriteSuppliers(Folder);
    FixTableDate(IncludeTrailingPathDelimiter(Folder) + 'PRODUCTS.DBF');
    FixIndexDates(IncludeTrailingPathDelimiter(Folder) + 'PRODUCTS.mdx');
    FixTableDate(IncludeTrailingPathDelimiter(Folder) + 'SUPPLIER.DBF');
    FixIndexDates(IncludeTrailingPathDelimiter(Folder) + 'SUPPLIER.mdx');
  except
    on E: Exception do
    begin
      WriteLn(StdErr, E.Message);
      Halt(1);
    end;
  end;
end.
